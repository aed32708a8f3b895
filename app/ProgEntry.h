// Program entry of the programmer application, shared by both language builds.
#pragma once

#include "link/LangBuild.h"

int RunTelvic200Cy(int argc, char** argv, TBuildLang lang);
