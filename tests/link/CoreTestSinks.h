// Test doubles of the link's sinks used by the link core tests.
#pragma once

#include <string>
#include <vector>

#include "link/LinkSinks.h"

class TRecordingLog : public TLogSink {
public:
    void LogLine(const std::string& text) override { Lines.push_back(text); }
    void AddLine(const std::string& line) override { Lines.push_back(line); }
    bool SaveToFile(const std::string&) override { return true; }
    std::vector<std::string> Lines;
};
