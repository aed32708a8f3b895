telvic_gtest(test_app_projects
  SOURCES test_ChkSumViews.cpp test_HdlPrjRdWtRT.cpp test_ConfigSN.cpp
  LIBS telvic_app
  LABELS app
  QT)
telvic_gtest(test_app_projects_window
  SOURCES test_ImageViewsHookup.cpp
  LIBS telvic_app
  LABELS app gui
  QT)
