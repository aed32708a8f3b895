# The main window's option, project-restore and chip-change tables, both builds.
telvic_gtest(test_MainWinSettingsTables
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_MainWinSettingsTables.cpp
  LIBS telvic_app
  LABELS app gui
  QT)
