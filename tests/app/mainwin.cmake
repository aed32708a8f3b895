# The programmer application's main window, offscreen, in both builds.
telvic_gtest(test_MainWindow
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_MainWindow.cpp
          ${CMAKE_CURRENT_LIST_DIR}/test_MainWinOptions.cpp
  LIBS telvic_app
  LABELS app gui
  QT)
