telvic_gtest(test_link_core
  SOURCES test_Comm200Cy.cpp test_ParsRxPktRT.cpp test_StatusMsgCy.cpp test_TelvicCmdChkCy.cpp
  LIBS telvic_link
  LABELS link)
