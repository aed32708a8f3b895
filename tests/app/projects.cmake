telvic_gtest(test_app_projects
  SOURCES test_ChkSumViews.cpp test_HdlPrjRdWtRT.cpp test_ConfigSN.cpp
  LIBS telvic_app
  LABELS app
  QT)
telvic_gtest(test_app_projects_window
  SOURCES test_WindowViewsProjects.cpp
  LIBS telvic_app
  LABELS app gui
  QT)
# The serial-number advance over a four-channel Auto run on emulated units.
if(TARGET telvic_link_rig)
  telvic_gtest(test_app_projects_auto
    SOURCES test_SNAutoRun.cpp
    LIBS telvic_app telvic_link_rig
    LABELS app e2e
    QT)
endif()
