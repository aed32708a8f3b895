# The soak run (label soak, left out of the default run): tools/soak.sh.
add_executable(test_link_soak test_LinkSoak.cpp)
target_link_libraries(test_link_soak PRIVATE telvic_link_rig telvic_app telvic_test_qtmain GTest::gtest GTest::gmock)
target_include_directories(test_link_soak PRIVATE ${PROJECT_SOURCE_DIR}/tests)
add_test(NAME soak.link COMMAND test_link_soak)
set_tests_properties(soak.link PROPERTIES
  LABELS soak
  ENVIRONMENT "QT_QPA_PLATFORM=offscreen;TELVIC_BUILD_DIR=${PROJECT_BINARY_DIR}"
  TIMEOUT 3600)
