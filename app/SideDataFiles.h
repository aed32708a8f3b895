// SideDataFiles: saving the main image and loading or saving the three side
// buffers (security/eFuse, ECC/work flash, EEPROM/supervisory flash) as raw files.
#pragma once

#include <cstdint>
#include <string>

#include "app/ObjFileLoadRT.h"
#include "link/LangBuild.h"
#include "telvicbin/TelvicBin.h"

class TLogSink;

enum class TSideBuffer { Security, WorkFlash, SupervisoryFlash };

// The outcome of a side-file load.
enum class TSideLoadResult { Loaded, Cut, NoChip, Cancelled, ReadFailed };

// The English build binds FileSaveBtnClick, SaveSecurity1Click and
// LoadSecurity1Click only; its work-flash and supervisory-flash items do nothing.
class TSideDataFiles {
public:
    TSideDataFiles(TBuildLang lang, TObjFileHost& host, TImageRefresh& refresh, TLogSink& log);

    // Command handlers: each runs its dialog through the host, then the path version.
    TBinFileResult FileSaveBtnClick();      // "&Save Main Flash to File"
    TBinFileResult SaveSecurity1Click();    // "Save Security Buffer to File", "Sav Security"
    TBinFileResult MenuItemSavWFClick();    // "Save ECC/ WFlash Data"
    TBinFileResult MenuItemSavSFClick();    // "Save EEP/SFlash Data"
    TSideLoadResult LoadSecurity1Click();   // "Load Security Data", "Load  Security "
    TSideLoadResult MenuItemLoadWFClick();  // "Load  ECC/WFlash Data"
    TSideLoadResult MenuItemLoadSFClick();  // "Load  EEP/SFlash Data"

    // The work after the dialog. A save has no precondition, no log line and no
    // message; its result tells a failed write (a cancelled dialog gives Ok).
    TBinFileResult SaveMainImage(const std::string& path);
    TBinFileResult SaveSideFile(TSideBuffer buffer, const std::string& path);
    // Reads the file first; only a file that could be read replaces the buffer.
    TSideLoadResult LoadSideFile(TSideBuffer buffer, const std::string& path);

    // The last index that a save of the buffer writes (0 up to it).
    static std::uint32_t SaveLastIndex(TSideBuffer buffer);

private:
    TSideLoadResult LoadCommand(TSideBuffer buffer, bool englishText);
    TBinFileResult SaveCommand(TSideBuffer buffer);

    TBuildLang lang_;
    TObjFileHost& host_;
    TImageRefresh& refresh_;
    TLogSink& log_;
};
