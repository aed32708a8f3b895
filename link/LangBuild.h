// The language of a programmer-application build. Both builds come from one
// source; each executable fixes its language in main() and hands it on.
#pragma once

enum class TBuildLang { Chinese, English };
