telvic_gtest(test_chips
  SOURCES test_ChipCatalog.cpp test_ChipRules.cpp test_ChipSelCY.cpp
  LIBS telvic_chips
  LABELS chips
  QT)
