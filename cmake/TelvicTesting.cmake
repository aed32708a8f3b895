# telvic_gtest(<name> SOURCES ... LIBS ... [LABELS ...] [QT])
# Builds one GoogleTest binary and registers each of its cases with CTest.
# QT: the binary gets a QApplication (offscreen) before the tests run.
find_package(GTest REQUIRED)
include(GoogleTest)

function(telvic_gtest name)
  cmake_parse_arguments(T "QT" "" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  if(T_QT)
    target_link_libraries(${name} PRIVATE ${T_LIBS} telvic_test_qtmain GTest::gtest GTest::gmock)
  else()
    target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest_main GTest::gmock)
  endif()
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests)
  gtest_discover_tests(${name}
    TEST_PREFIX "${name}."
    TEST_LIST ${name}_TESTS
    DISCOVERY_TIMEOUT 60
    PROPERTIES TIMEOUT 300)
  # Discovery flattens list-valued properties, so labels and the environment
  # are set by a script that CTest runs after the discovered tests are known.
  set(env "QT_QPA_PLATFORM=offscreen" "TELVIC_SHARED_DIR=${PROJECT_SOURCE_DIR}/../shared" "TELVIC_BUILD_DIR=${PROJECT_BINARY_DIR}")
  set(props ${CMAKE_CURRENT_BINARY_DIR}/${name}_props.cmake)
  file(WRITE ${props}
    "foreach(test IN LISTS ${name}_TESTS)\n"
    "  set_tests_properties(\"\${test}\" PROPERTIES LABELS \"${T_LABELS}\" ENVIRONMENT \"${env}\")\n"
    "endforeach()\n")
  set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${props})
endfunction()
