// ChkSumViews: the image checksums with their log lines and status panels, and
// the four hex views of the main window, computed from the shared buffers.
#pragma once

#include <cstdint>
#include <cstddef>
#include <string>

#include "app/HexGridModel.h"
#include "link/LangBuild.h"

class TLogSink;

// ACC (two's complement of the 16-bit byte sum), CRC and ACC32 (plain 32-bit
// byte sum) of Buffer[First..Last]. The range is clamped to the buffer; an
// empty range (Last < First, e.g. 0 and 0xFFFFFFFF) reads nothing.
std::uint16_t RangeAccSum(const std::uint8_t* buffer, std::size_t size, std::uint32_t first, std::uint32_t last);
std::uint16_t RangeCrcSum(const std::uint8_t* buffer, std::size_t size, std::uint32_t first, std::uint32_t last);
std::uint32_t RangeAcc32Sum(const std::uint8_t* buffer, std::size_t size, std::uint32_t first, std::uint32_t last);

// Panels 0 and 1 of the main window's status bar.
class TStatusBarSink {
public:
    virtual ~TStatusBarSink() = default;
    virtual void SetPanelText(int panel, const std::string& text) = 0;
};

enum class TViewPage { Security, Ecc, Eep };

// The window-side effects of the view routines: page tabs and captions, and
// the two check boxes that follow the data shown.
class TViewPageHost {
public:
    virtual ~TViewPageHost() = default;
    virtual void SetPageVisible(TViewPage page, bool visible) = 0;
    virtual void SetPageCaption(TViewPage page, const std::string& caption) = 0;
    virtual void ShowEnWrtEep() = 0;
    virtual void SetEnWrtEepChecked(bool checked) = 0;
    virtual void SetChkBoxEPWFChecked(bool checked) = 0;
};

class TChecksumViews {
public:
    // Any sink may be null (its effects are then dropped).
    TChecksumViews(TBuildLang lang, TLogSink* log, TStatusBarSink* status, TViewPageHost* pages);

    void CalcMainChecksums(std::uint32_t first, std::uint32_t last);
    void ShowMainFlash(std::uint32_t first, std::uint32_t last);
    void ShowSecurityData();
    void SumSFlashParts();
    void ShowEccWFlash();
    void ShowEepSFlash();
    // Redraw the rows that hold Addr and Addr + 16. A main-flash address is
    // taken as its image position (low 24 bits), as the serial number is written.
    void RefreshMainRows(std::uint32_t addr);
    void RefreshEepRows(std::uint32_t addr);

    THexGridModel& MainView() { return main_; }        // HexViewer
    THexGridModel& SecuView() { return secu_; }        // SecuDataView
    THexGridModel& EccView() { return ecc_; }          // ECCDataView
    THexGridModel& EepView() { return eep_; }          // EepDataView

private:
    void Log(const std::string& text);
    void LogDots();
    void Panel(int panel, const std::string& text);
    bool English() const { return lang_ == TBuildLang::English; }

    TBuildLang lang_;
    TLogSink* log_;
    TStatusBarSink* status_;
    TViewPageHost* pages_;
    THexGridModel main_;
    THexGridModel secu_;
    THexGridModel ecc_;
    THexGridModel eep_;
};

// Format("%0.<digits>x", value): at least `digits` upper-case hex digits.
std::string HexDigits(std::uint32_t value, int digits);
