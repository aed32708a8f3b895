// Recording sinks for the checksum, view, project-file and serial-number
// tests: the log, the status bar, the view pages and the message boxes.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "app/ChkSumViews.h"
#include "app/MsgBoxes.h"
#include "link/LinkSinks.h"

// "L:" + text for LogLine, "A:" + line for a line added as it stands.
class TRecordingLog : public TLogSink {
public:
    void LogLine(const std::string& text) override { Lines.push_back("L:" + text); }
    void AddLine(const std::string& line) override { Lines.push_back("A:" + line); }
    bool SaveToFile(const std::string&) override { return true; }
    std::vector<std::string> Lines;
};

class TRecordingStatus : public TStatusBarSink {
public:
    void SetPanelText(int panel, const std::string& text) override { Panels[panel] = text; }
    std::map<int, std::string> Panels;
};

class TRecordingPages : public TViewPageHost {
public:
    void SetPageVisible(TViewPage page, bool visible) override { Visible[page] = visible; }
    void SetPageCaption(TViewPage page, const std::string& caption) override { Caption[page] = caption; }
    void ShowEnWrtEep() override { EnWrtEepShown = true; }
    void SetEnWrtEepChecked(bool checked) override { EnWrtEep = checked ? 1 : 0; }
    void SetChkBoxEPWFChecked(bool checked) override { Epwf = checked ? 1 : 0; }
    std::map<TViewPage, bool> Visible;
    std::map<TViewPage, std::string> Caption;
    bool EnWrtEepShown = false;
    int EnWrtEep = -1;
    int Epwf = -1;
};

class TTextBoxes : public TMessageBoxes {
public:
    void Information(QWidget*, const QString& text) override { Shown.push_back("I:" + text.toStdString()); }
    void Warning(QWidget*, const QString& text) override { Shown.push_back("W:" + text.toStdString()); }
    void Plain(QWidget*, const QString& text) override { Shown.push_back("P:" + text.toStdString()); }
    void Error(QWidget*, const QString& text) override { Shown.push_back("E:" + text.toStdString()); }
    std::vector<std::string> Shown;
};
