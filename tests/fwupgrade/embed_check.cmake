# Runs the firmware embedding step on release files of right and wrong sizes:
# right sizes give the arrays, a wrong size of either file stops the build.
file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}")

function(make_file path size)
  string(REPEAT "A" ${size} text)
  file(WRITE "${path}" "${text}")
endfunction()

make_file("${WORK}/image.bin" 32768)
make_file("${WORK}/keys.bin" 320)
make_file("${WORK}/image_short.bin" 32767)
make_file("${WORK}/keys_long.bin" 321)

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
string(REGEX MATCHALL "0x41," bytes "${inc}")
list(LENGTH bytes count)
if(NOT count EQUAL 33088)
  message(FATAL_ERROR "expected 32768 + 320 bytes in the arrays, found ${count}")
endif()

# The arrays and a release rule build into the image module, and the program
# then carries that image.
file(RENAME "${WORK}/out.inc" "${WORK}/FwReleaseImage.inc")
file(WRITE "${WORK}/rule.inc" "constexpr std::uint8_t kFwEvenMask = 0x12;
constexpr std::uint8_t kFwOddMask = 0x34;
inline TBlockKeys FwDeriveBlockKeys(const std::uint8_t* table, unsigned first)
{
    return {static_cast<std::uint8_t>(table[first] + 1), table[first + 1]};
}
")
file(WRITE "${WORK}/probe.cpp" "#include \"fwupgrade/TelvicCY_FmWrV3_RV27.h\"
int main()
{
    const TFirmwareImage* image = BuiltInFirmwareImage();
    if (!image) return 1;
    const TBlockKeys keys = image->DeriveKeys(2);
    return image->Image()[kFwImageSize - 1] == 0x41 && image->KeyTable()[0] == 0x41 && keys.Even == 0x42
        && keys.Odd == 0x41 && image->EvenMask() == 0x12 && image->OddMask() == 0x34 ? 0 : 2;
}
")
execute_process(COMMAND ${CXX} -std=c++17 -Wall -Wextra -Werror -DFWUP_HAVE_FIRMWARE
                        "-DFWUP_FIRMWARE_RULE_FILE=\"${WORK}/rule.inc\"" -I${SOURCE} -I${WORK}
                        ${SOURCE}/fwupgrade/TelvicCY_FmWrV3_RV27.cpp ${WORK}/probe.cpp -o ${WORK}/probe
                RESULT_VARIABLE rc ERROR_VARIABLE err)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "the image module does not build with release files: ${err}")
endif()
execute_process(COMMAND ${WORK}/probe RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "the built-in image is not the release files' (probe exit ${rc})")
endif()
file(REMOVE "${WORK}/FwReleaseImage.inc")
run_embed("${WORK}/image_short.bin" "${WORK}/keys.bin" FALSE)
run_embed("${WORK}/image.bin" "${WORK}/keys_long.bin" FALSE)
run_embed("${WORK}/missing.bin" "${WORK}/keys.bin" FALSE)
if(EXISTS "${WORK}/out.inc")
  message(FATAL_ERROR "a refused release left generated arrays behind")
endif()
message(STATUS "embedding checks passed")
