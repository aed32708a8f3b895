# Object files: HEX readers, object-file loading and side-buffer data files.
# The modules under test are free of widgets; they are built here with the
# shared state alone, so these tests do not wait on the rest of the window.
add_library(telvic_objfiles_under_test STATIC
  ${PROJECT_SOURCE_DIR}/app/ParseCyHex.cpp
  ${PROJECT_SOURCE_DIR}/app/ObjFileLoadRT.cpp
  ${PROJECT_SOURCE_DIR}/app/SideDataFiles.cpp
  ${PROJECT_SOURCE_DIR}/link/DefinCyX4.cpp)
target_include_directories(telvic_objfiles_under_test PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(telvic_objfiles_under_test PUBLIC telvicbin)

telvic_gtest(test_objfiles
  SOURCES test_ParseCyHex.cpp test_ObjFileLoad.cpp test_SideDataFiles.cpp
  LIBS telvic_objfiles_under_test
  LABELS objfiles)
# Where the shared sample files are when the test environment does not say.
target_compile_definitions(test_objfiles PRIVATE TELVIC_SHARED_FALLBACK="${PROJECT_SOURCE_DIR}/../shared")
