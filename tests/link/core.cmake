telvic_gtest(test_link_core
  SOURCES test_Comm200Cy.cpp test_GbkText.cpp test_ParsRxPktRT.cpp test_StatusMsgCy.cpp test_TelvicCmdChkCy.cpp
  LIBS telvic_link
  LABELS link)
telvic_gtest(test_link_core_port
  SOURCES test_TelvicCmdChkPort.cpp
  LIBS telvic_link telvic_serial telvic_test_pty
  LABELS link
  QT)
