# TELVIC_SANITIZE=asan  -> AddressSanitizer + UndefinedBehaviorSanitizer
# TELVIC_SANITIZE=tsan  -> ThreadSanitizer
set(TELVIC_SANITIZE "" CACHE STRING "Sanitizer build: empty, asan or tsan")
if(TELVIC_SANITIZE STREQUAL "asan")
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined -fno-sanitize-recover=all)
elseif(TELVIC_SANITIZE STREQUAL "tsan")
  add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
  add_link_options(-fsanitize=thread)
elseif(NOT TELVIC_SANITIZE STREQUAL "")
  message(FATAL_ERROR "TELVIC_SANITIZE must be empty, asan or tsan")
endif()
