# What the operator sees of the main window at its start size and narrowed, offscreen, in both builds.
telvic_gtest(test_MainWinLayout
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_MainWinLayout.cpp
  LIBS telvic_app Qt6::Test
  LABELS app gui
  QT)
