// Scripted stand-ins for the main window in object-file and side-file tests:
// dialogs answered from a queue, and every box, label, check box, log line and
// refresh call recorded.
#pragma once

#include <deque>
#include <map>
#include <string>
#include <vector>

#include "app/ObjFileLoadRT.h"
#include "link/LinkSinks.h"

namespace hextest {

struct TFakeHost : TObjFileHost {
    std::deque<std::string> OpenAnswers;  // an empty string cancels the dialog
    std::deque<std::string> SaveAnswers;
    std::vector<int> FilterIndices;
    std::vector<std::string> Information, FileErrors;
    std::string LabelFile, FileNamePanel, Id1, Id2, P6Id;
    std::map<TLoadCheckBox, bool> Checked;
    int RopVisible = -1;

    bool AskOpenFileName(int filterIndex, std::string& path) override
    {
        FilterIndices.push_back(filterIndex);
        if (OpenAnswers.empty()) return false;
        path = OpenAnswers.front();
        OpenAnswers.pop_front();
        return !path.empty();
    }
    bool AskSaveFileName(std::string& path) override
    {
        if (SaveAnswers.empty()) return false;
        path = SaveAnswers.front();
        SaveAnswers.pop_front();
        return !path.empty();
    }
    void ShowInformation(const std::string& text) override { Information.push_back(text); }
    void ShowFileError(const std::string& text) override { FileErrors.push_back(text); }
    void SetLabelFile(const std::string& path) override { LabelFile = path; }
    void SetFileNamePanel(const std::string& path) override { FileNamePanel = path; }
    void SetChipIdLabels(const std::string& id1, const std::string& id2) override
    {
        Id1 = id1;
        Id2 = id2;
    }
    void SetP6IdLabel(const std::string& text) override { P6Id = text; }
    void SetCheckBox(TLoadCheckBox box, bool checked) override { Checked[box] = checked; }
    void SetRopVisible(bool visible) override { RopVisible = visible ? 1 : 0; }
    std::string TimeOfDay() override { return "10:42:07"; }
};

struct TFakeRefresh : TImageRefresh {
    std::vector<std::string> Calls;
    void CalcMainChecksums(std::uint32_t first, std::uint32_t last) override
    {
        Calls.push_back("CalcMainChecksums " + std::to_string(first) + " " + std::to_string(last));
    }
    void ShowMainFlash(std::uint32_t first, std::uint32_t last) override
    {
        Calls.push_back("ShowMainFlash " + std::to_string(first) + " " + std::to_string(last));
    }
    void ShowSecurityData() override { Calls.push_back("ShowSecurityData"); }
    void ShowEccWFlash() override { Calls.push_back("ShowEccWFlash"); }
    void ShowEepSFlash() override { Calls.push_back("ShowEepSFlash"); }
};

// LogLine entries are kept as "> text", AddLine entries as they stand.
struct TFakeLog : TLogSink {
    std::vector<std::string> Lines;
    void LogLine(const std::string& text) override { Lines.push_back("> " + text); }
    void AddLine(const std::string& line) override { Lines.push_back(line); }
    bool SaveToFile(const std::string&) override { return true; }
    bool Has(const std::string& line) const
    {
        for (const auto& l : Lines)
            if (l == line) return true;
        return false;
    }
};

}  // namespace hextest
