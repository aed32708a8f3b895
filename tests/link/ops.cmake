# End-to-end tests of the link operations: real ports on pseudo-terminals,
# the link code, and emulated programmer units on the far side.
add_library(telvic_link_rig STATIC LinkRig.cpp LinkRig.h)
target_include_directories(telvic_link_rig PUBLIC ${PROJECT_SOURCE_DIR}/tests)
target_link_libraries(telvic_link_rig PUBLIC telvic_link telvic_serial telvic_emulator Qt6::Core)

telvic_gtest(test_link_ops
  SOURCES test_LinkDiscovery.cpp test_TelvicComm.cpp test_ReadBack.cpp test_HdlRxInfoPkt.cpp OpsTestUtil.h
  LIBS telvic_link_rig
  LABELS link e2e
  QT)
