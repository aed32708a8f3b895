// StrFormat: printf-style formatting into a std::string, for the log lines and
// labels that the link, the chip set-up and the file loaders build.
#pragma once

#include <string>

std::string StrPrintf(const char* format, ...) __attribute__((format(printf, 1, 2)));
