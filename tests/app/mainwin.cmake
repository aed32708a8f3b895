# The programmer application's main window, offscreen, in both builds.
find_package(Qt6 REQUIRED COMPONENTS Test)
telvic_gtest(test_MainWindow
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_MainWindow.cpp
          ${CMAKE_CURRENT_LIST_DIR}/test_MainWinOptions.cpp
          ${CMAKE_CURRENT_LIST_DIR}/test_MainWinCommands.cpp
          ${CMAKE_CURRENT_LIST_DIR}/test_MainWinFiles.cpp
  LIBS telvic_app Qt6::Test
  LABELS app gui
  QT)

# The window against four emulated programmer units on pseudo-terminals.
if(TARGET telvic_emulator)
  telvic_gtest(test_MainWinChannels
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_MainWinChannels.cpp
    LIBS telvic_app telvic_emulator
    LABELS app gui
    QT)
endif()
