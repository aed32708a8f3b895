# The main window's chip button with the chip dialog left unchosen.
telvic_gtest(test_ChipButton
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_ChipButton.cpp
  LIBS telvic_app
  LABELS app gui
  QT)
