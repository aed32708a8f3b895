// Program entry of the programmer application, shared by both language builds.
#pragma once

#include <QString>

#include "link/LangBuild.h"

// The application title of a build.
QString ApplicationTitle(TBuildLang lang);

int RunTelvic200Cy(int argc, char** argv, TBuildLang lang);
