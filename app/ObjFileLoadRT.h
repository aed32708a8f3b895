// ObjFileLoadRT: loading object files (Intel HEX or raw binary) into the image
// buffers, load-more, and the image set-up and log lines after every load.
#pragma once

#include <cstdint>
#include <string>

#include "app/ParseCyHex.h"
#include "link/LangBuild.h"

class TLogSink;

// Open-dialog filter indices of the main window's filter list.
constexpr int kOpenFilterBinary = 2;
constexpr int kOpenFilterIntelHex = 3;

// The check boxes that a load sets (none has a click handler).
enum class TLoadCheckBox { EnWrtEep, ChkBoxROP, ChkBoxEPWF, ChkBoxNAR, ChkBoxPubKey, ChkBoxTOCx };

// What the file commands need from the main window: its dialogs, boxes, labels
// and panels. The window implements it; tests script it.
class TObjFileHost {
public:
    virtual ~TObjFileHost() = default;
    // OpenDialog1 with the given filter index; false when cancelled.
    virtual bool AskOpenFileName(int filterIndex, std::string& path) = 0;
    // SaveDialog1; false when cancelled.
    virtual bool AskSaveFileName(std::string& path) = 0;
    // Information box, one OK button.
    virtual void ShowInformation(const std::string& text) = 0;
    // Error box, one OK button: a file that cannot be opened or read, an empty
    // object file, a file cut to its buffer.
    virtual void ShowFileError(const std::string& text) = 0;
    virtual void SetLabelFile(const std::string& path) = 0;       // LabelFile
    virtual void SetFileNamePanel(const std::string& path) = 0;   // StatusBar1 panel 2
    virtual void SetChipIdLabels(const std::string& id1, const std::string& id2) = 0;  // LblID1, LblID2
    virtual void SetP6IdLabel(const std::string& text) = 0;       // LabelP6IDx
    virtual void SetCheckBox(TLoadCheckBox box, bool checked) = 0;
    virtual void SetRopVisible(bool visible) = 0;                  // ChkBoxROP
    // The time of day in the long time format, e.g. "10:42:07".
    virtual std::string TimeOfDay() = 0;
};

// The checksum and view refresh that follows every change of an image buffer.
class TImageRefresh {
public:
    virtual ~TImageRefresh() = default;
    virtual void CalcMainChecksums(std::uint32_t first, std::uint32_t last) = 0;
    virtual void ShowMainFlash(std::uint32_t first, std::uint32_t last) = 0;
    virtual void ShowSecurityData() = 0;
    virtual void ShowEccWFlash() = 0;
    virtual void ShowEepSFlash() = 0;
};

// Plugs any object with these five methods (the checksum views) in as the refresh.
template <class Views>
class TImageRefreshOf : public TImageRefresh {
public:
    explicit TImageRefreshOf(Views& views) : views_(views) {}
    void CalcMainChecksums(std::uint32_t first, std::uint32_t last) override { views_.CalcMainChecksums(first, last); }
    void ShowMainFlash(std::uint32_t first, std::uint32_t last) override { views_.ShowMainFlash(first, last); }
    void ShowSecurityData() override { views_.ShowSecurityData(); }
    void ShowEccWFlash() override { views_.ShowEccWFlash(); }
    void ShowEepSFlash() override { views_.ShowEepSFlash(); }

private:
    Views& views_;
};

enum class TObjLoadResult {
    Loaded,       // read (record errors may have been answered; Abort still counts as read)
    NotRead,      // load-more of a file that is not ".HEX": nothing read, views refreshed
    NoChip,       // no chip selected: box shown, nothing changed
    Cancelled,    // dialog cancelled: nothing changed
    OpenFailed,   // the file could not be opened or read: box shown, nothing changed
    EmptyFile,    // a fresh load of a file that holds no byte: box shown, nothing changed
    ReadFailed    // a read error part-way: box shown, the image does not count as loaded
};

// The information box of a command that needs a chip: Chinese, or English.
const char* SelectChipFirstText(bool english);
// The texts of the file boxes (shared with the side-file commands).
std::string FileOpenErrorText(const std::string& path, const std::string& reason);
std::string FileReadErrorText(const std::string& path, const std::string& reason);
std::string FileEmptyText(const std::string& path);
std::string FileCutText(const std::string& path, std::uint32_t bytesLoaded);
// The file-name part of a path, and its extension with the dot, upper-cased.
std::string FileNamePart(const std::string& path);
std::string UpperExtension(const std::string& path);

// How the main window uses it: implement TObjFileHost (dialogs, boxes, labels),
// TImageRefresh (or wrap the checksum views in TImageRefreshOf), TErrorBoxHost
// (the OK/Abort record-error box) and a TLogSink; keep one loader; bind
// SpdBtnOpen and File > "&Load Object File" (Ctrl+L) to FileOpenBtnClick,
// SpdBtnLodMore to SpdBtnLodMoreClick, and the project load's after-load step
// to UpdateAfterLoad. Tests call OpenObjectFile and LoadMoreFile with a path.
class TObjFileLoader {
public:
    TObjFileLoader(TBuildLang lang, TObjFileHost& host, TImageRefresh& refresh, TLogSink& log,
                   TErrorBoxHost& recordBoxes);

    // Load (SpdBtnOpen, File > "&Load Object File"): chip check, dialog, then OpenObjectFile.
    TObjLoadResult FileOpenBtnClick();
    // Load more (SpdBtnLodMore): chip check, dialog, then LoadMoreFile.
    TObjLoadResult SpdBtnLodMoreClick();

    // A fresh load of the file the dialog gave: opens it first, and only then
    // clears the whole image and the file's fields, reads, and updates.
    TObjLoadResult OpenObjectFile(const std::string& path);
    // Adds a further ".HEX" file to what is loaded; other files are not read.
    TObjLoadResult LoadMoreFile(const std::string& path);
    // The range to program, checksums, views and file information after a load
    // (also called by the project load).
    void UpdateAfterLoad();

    // The filter index the load dialog starts with.
    static int LoadFilterIndex();

private:
    struct TOpenedFile;
    TObjLoadResult OpenHex(THexLineReader& reader, const std::string& path);
    TObjLoadResult OpenForLoad(TOpenedFile& file);
    // Reads one opened object file into the cleared buffers.
    TObjLoadResult LoadObjectFile(TOpenedFile& file);
    bool ChipChosen(bool englishText);
    void ClearForFreshLoad();
    void SetUpFamily8Image();
    void LogHexInformation();
    void LogLine(const std::string& text);

    TBuildLang lang_;
    TObjFileHost& host_;
    TImageRefresh& refresh_;
    TLogSink& log_;
    TErrorBoxHost& recordBoxes_;
};
