# Runs the firmware embedding step on release files of right and wrong sizes:
# right sizes give the arrays byte for byte, a wrong size of either file stops the build.
file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}")

# The files' bytes: neighbours always differ, each 256-byte page is shifted
# against the one before, and the key table follows another rule than the
# image, so a byte out of order, an offset or the two files swapped all show.
file(WRITE "${WORK}/pattern.h" "#pragma once
#include <cstddef>
#include <cstdint>
inline std::uint8_t ImageByte(std::size_t i) { return static_cast<std::uint8_t>(i + 3 * (i >> 8)); }
inline std::uint8_t KeyByte(std::size_t i) { return static_cast<std::uint8_t>(0xA5 ^ (7 * i + 5 * (i >> 8))); }
")

function(compile_and_run name)
  execute_process(COMMAND ${CXX} -std=c++17 -Wall -Wextra -Werror ${ARGN} -o ${WORK}/${name}
                  RESULT_VARIABLE rc ERROR_VARIABLE err)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "${name} does not build: ${err}")
  endif()
  execute_process(COMMAND ${WORK}/${name} WORKING_DIRECTORY ${WORK} RESULT_VARIABLE rc OUTPUT_VARIABLE out)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "${name} failed (exit ${rc}): ${out}")
  endif()
endfunction()

file(WRITE "${WORK}/make_files.cpp" "#include <cstdio>
#include \"pattern.h\"
static void Write(const char* name, std::size_t size, std::uint8_t (*byte)(std::size_t))
{
    std::FILE* f = std::fopen(name, \"wb\");
    for (std::size_t i = 0; i < size; ++i)
        std::fputc(byte(i), f);
    std::fclose(f);
}
int main()
{
    Write(\"image.bin\", 32768, ImageByte);
    Write(\"keys.bin\", 320, KeyByte);
    Write(\"image_short.bin\", 32767, ImageByte);
    Write(\"keys_long.bin\", 321, KeyByte);
}
")
compile_and_run(make_files ${WORK}/make_files.cpp)

function(run_embed image keys expect_ok)
  execute_process(COMMAND ${CMAKE_COMMAND} -DIMAGE=${image} -DKEYS=${keys} -DOUT=${WORK}/out.inc -P ${EMBED}
                  RESULT_VARIABLE rc OUTPUT_QUIET ERROR_VARIABLE err)
  if(expect_ok AND NOT rc EQUAL 0)
    message(FATAL_ERROR "right sizes refused: ${err}")
  elseif(NOT expect_ok AND rc EQUAL 0)
    message(FATAL_ERROR "wrong size accepted: ${image} ${keys}")
  endif()
endfunction()

run_embed("${WORK}/image.bin" "${WORK}/keys.bin" TRUE)
file(READ "${WORK}/out.inc" inc)
string(REGEX MATCHALL "0x[0-9a-f][0-9a-f]," bytes "${inc}")
list(LENGTH bytes count)
if(NOT count EQUAL 33088)
  message(FATAL_ERROR "expected 32768 + 320 bytes in the arrays, found ${count}")
endif()

# The arrays and a release rule build into the image module, and the program
# then carries the release files byte for byte.
file(RENAME "${WORK}/out.inc" "${WORK}/FwReleaseImage.inc")
file(WRITE "${WORK}/rule.inc" "constexpr std::uint8_t kFwEvenMask = 0x12;
constexpr std::uint8_t kFwOddMask = 0x34;
inline TBlockKeys FwDeriveBlockKeys(const std::uint8_t* table, unsigned first)
{
    return {static_cast<std::uint8_t>(table[first] + 1), table[first + 1]};
}
")
file(WRITE "${WORK}/probe.cpp" "#include <cstdio>
#include \"fwupgrade/TelvicCY_FmWrV3_RV27.h\"
#include \"pattern.h\"
int main()
{
    const TFirmwareImage* image = BuiltInFirmwareImage();
    if (!image) return 1;
    for (std::size_t i = 0; i < kFwImageSize; ++i)
        if (image->Image()[i] != ImageByte(i)) {
            std::printf(\"image byte %zu\", i);
            return 2;
        }
    for (std::size_t i = 0; i < kFwKeyTableSize; ++i)
        if (image->KeyTable()[i] != KeyByte(i)) {
            std::printf(\"key table byte %zu\", i);
            return 3;
        }
    // The rule sees the table: entries 6 and 7 for the blocks 6 and 7.
    const TBlockKeys keys = image->DeriveKeys(6);
    if (keys.Even != static_cast<std::uint8_t>(KeyByte(6) + 1) || keys.Odd != KeyByte(7)) return 4;
    return image->EvenMask() == 0x12 && image->OddMask() == 0x34 ? 0 : 5;
}
")
compile_and_run(probe -DFWUP_HAVE_FIRMWARE "-DFWUP_FIRMWARE_RULE_FILE=\"${WORK}/rule.inc\"" -I${SOURCE} -I${WORK}
                ${SOURCE}/fwupgrade/TelvicCY_FmWrV3_RV27.cpp ${WORK}/probe.cpp)
file(REMOVE "${WORK}/FwReleaseImage.inc")
run_embed("${WORK}/image_short.bin" "${WORK}/keys.bin" FALSE)
run_embed("${WORK}/image.bin" "${WORK}/keys_long.bin" FALSE)
run_embed("${WORK}/missing.bin" "${WORK}/keys.bin" FALSE)
if(EXISTS "${WORK}/out.inc")
  message(FATAL_ERROR "a refused release left generated arrays behind")
endif()
message(STATUS "embedding checks passed")
