# Object files: HEX readers, object-file loading and side-buffer data files.
telvic_gtest(test_objfiles
  SOURCES test_ParseCyHex.cpp test_ObjFileLoad.cpp test_SideDataFiles.cpp
  LIBS telvic_app
  LABELS objfiles)
# Where the shared sample files are when the test environment does not say.
target_compile_definitions(test_objfiles PRIVATE TELVIC_SHARED_FALLBACK="${PROJECT_SOURCE_DIR}/../shared")
