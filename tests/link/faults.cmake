# Fault runs: four emulated units at once, one misbehaving (label e2e, so the
# ThreadSanitizer stage runs them too).
telvic_gtest(test_link_faults
  SOURCES test_LinkFaults.cpp
  LIBS telvic_link_rig
  LABELS link e2e
  QT)
