telvic_gtest(test_link_state SOURCES test_DefinCyX4.cpp LIBS telvic_link LABELS link)
