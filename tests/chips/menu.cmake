# The chip menu as drawn: its separators laid out where the catalogue places them.
telvic_gtest(test_chip_menu
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_ChipMenu.cpp
  LIBS telvic_chips
  LABELS chips gui
  QT)
