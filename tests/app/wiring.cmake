# The window's wiring against four emulated units: every command's control,
# shortcut and speed button, and the spin boxes' values on the wire.
if(TARGET telvic_emulator)
  find_package(Qt6 REQUIRED COMPONENTS Test)
  telvic_gtest(test_MainWinWiring
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_MainWinWiring.cpp
    LIBS telvic_app telvic_emulator Qt6::Test
    LABELS app gui
    QT)
endif()
