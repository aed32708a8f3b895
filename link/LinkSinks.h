// LinkSinks: what the programmer link needs from the main window, as small
// interfaces, so the link runs and tests without any window.
#pragma once

#include <functional>
#include <string>
#include <vector>

// The log memo.
class TLogSink {
public:
    virtual ~TLogSink() = default;
    // Appends "> " + time + " " + text.
    virtual void LogLine(const std::string& text) = 0;
    // Appends a line as it stands (no time added).
    virtual void AddLine(const std::string& line) = 0;
    // Writes the whole log to a file; false when it could not be written.
    virtual bool SaveToFile(const std::string& path) = 0;
};

// The programmer-name panel of the status bar.
class TStatusPanel {
public:
    virtual ~TStatusPanel() = default;
    virtual void ShowProgrammerName(const std::string& text) = 0;
};

// Serial-number advance after a good chip, and the checksum and view
// refresh after a read-back.
// Areas named by RefreshAfterReadBack.
enum TReadBackArea : int {
    kReadBackMainFlash = 0,  // checksums and main view, TargetStartAddr..TargetEndAddr
    kReadBackEepSFlash = 1,  // EEP / SFlash view
    kReadBackWFlash = 2,     // ECC / WFlash view
};

class TImageHost {
public:
    virtual ~TImageHost() = default;
    virtual void AdvanceSerialNumber() = 0;
    virtual void RefreshAfterReadBack(int area) = 0;
};

enum class TGaugeColor { Blue, Red };

// A channel's progress gauge. The state lives here; a window binds a widget
// to it through OnChanged. Progress is clamped to the maximum.
class TGauge {
public:
    void SetMaxValue(int max)
    {
        max_ = max < 0 ? 0 : max;
        if (progress_ > max_) progress_ = max_;
        Notify();
    }
    void SetProgress(int progress)
    {
        progress_ = progress < 0 ? 0 : (progress > max_ ? max_ : progress);
        Notify();
    }
    void SetForeColor(TGaugeColor color)
    {
        color_ = color;
        Notify();
    }
    // A disabled gauge belongs to a channel without a programmer.
    void SetEnabled(bool enabled)
    {
        enabled_ = enabled;
        Notify();
    }
    bool Enabled() const { return enabled_; }
    int MaxValue() const { return max_; }
    int Progress() const { return progress_; }
    TGaugeColor ForeColor() const { return color_; }

    std::function<void()> OnChanged;

private:
    void Notify()
    {
        if (OnChanged) OnChanged();
    }
    int max_ = 100;
    int progress_ = 0;
    TGaugeColor color_ = TGaugeColor::Blue;
    bool enabled_ = true;
};

// The port list box: a sorted list of port names with an edit text. Sorting
// is case-insensitive, character by character ("ttyUSB10" before "ttyUSB2").
class TPortListBox {
public:
    void Clear()
    {
        items_.clear();
        Notify();
    }
    // Inserts at the sorted position and returns that index.
    int Add(const std::string& name);
    void Delete(int index);
    int IndexOf(const std::string& name) const;
    int Count() const { return static_cast<int>(items_.size()); }
    const std::string& Item(int index) const { return items_.at(static_cast<std::size_t>(index)); }
    const std::vector<std::string>& Items() const { return items_; }
    void SetText(const std::string& text)
    {
        text_ = text;
        Notify();
    }
    const std::string& Text() const { return text_; }

    std::function<void()> OnChanged;

    static bool LessText(const std::string& a, const std::string& b);

private:
    void Notify()
    {
        if (OnChanged) OnChanged();
    }
    std::vector<std::string> items_;
    std::string text_;
};

// Everything the link calls back into. Any pointer may be null in tests that
// do not look at it.
struct TLinkHost {
    TLogSink* Log = nullptr;
    TStatusPanel* Status = nullptr;
    TImageHost* Image = nullptr;
    TPortListBox* PortList = nullptr;
};

// The host of the running program: the main window fills it at its first
// showing; tests fill it with their doubles. The channel engines log through it.
extern TLinkHost LinkHost;
