# Turns the release's firmware image and key table into C++ arrays.
# Run as a script: cmake -DIMAGE=<file> -DKEYS=<file> -DOUT=<file.inc> -P EmbedFirmware.cmake
# Stops with an error when a file is missing or has the wrong size.
set(kImageSize 32768)
set(kKeyTableSize 320)

function(fwup_embed_array path expected name out_var)
  if(NOT EXISTS "${path}")
    message(FATAL_ERROR "firmware release file not found: ${path}")
  endif()
  file(SIZE "${path}" size)
  if(NOT size EQUAL expected)
    message(FATAL_ERROR "${path}: ${size} bytes, the ${name} must be exactly ${expected} bytes")
  endif()
  file(READ "${path}" hex HEX)
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
  string(REGEX REPLACE "((0x..,){16})" "\\1\n" bytes "${bytes}")
  set(${out_var} "constexpr std::uint8_t ${name}[${expected}] = {\n${bytes}};\n" PARENT_SCOPE)
endfunction()

fwup_embed_array("${IMAGE}" ${kImageSize} kFwImageBytes image_text)
fwup_embed_array("${KEYS}" ${kKeyTableSize} kFwKeyTableBytes keys_text)
set(text "// Generated from the firmware release files; do not edit.\n#pragma once\n#include <cstdint>\n${image_text}${keys_text}")
if(EXISTS "${OUT}")
  file(READ "${OUT}" old)
endif()
if(NOT "${old}" STREQUAL "${text}")
  file(WRITE "${OUT}" "${text}")
endif()
