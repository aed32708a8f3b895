// HdlPrjRdWtRT: project files (.PTV): the whole set-up, its checksums, the
// configuration block and the image buffers in one scrambled, summed file.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "link/LangBuild.h"

class TLogSink;

// Result of a load.
constexpr std::uint8_t kPrjOk = 0;
constexpr std::uint8_t kPrjFileError = 1;      // the file could not be opened
constexpr std::uint8_t kPrjBadMagic = 5;
constexpr std::uint8_t kPrjNoCfgTag = 10;
constexpr std::uint8_t kPrjNoMfmTag = 13;
constexpr std::uint8_t kPrjNoDataTag = 15;     // "SEU", "EEP" or "ECC"
constexpr std::uint8_t kPrjCorrupted = 16;     // sum differs, a size is out of range, or the file ends early

constexpr std::uint8_t kPrjModelCode = 16;
constexpr std::size_t kPrjKeyTableSize = 2050;

// Random bytes 0 to 254 for the key table, block keys and tail.
using TPrjRandom = std::function<std::uint8_t()>;
TPrjRandom DefaultPrjRandom();

// Working state of the last file written or read.
extern std::uint32_t PrjCheckSum;
extern std::uint8_t PrjKeyTable[kPrjKeyTableSize];
extern std::uint32_t PrjFlashBytes;
extern std::string ModelName;

std::string GetModelName(std::uint8_t modelCode);

// The outcome boxes of a load and the platform's file errors.
class TPrjMessages {
public:
    virtual ~TPrjMessages() = default;
    virtual void PlainMessage(const std::string& text) = 0;
    virtual void ErrorMessage(const std::string& text) = 0;
};

// Writes the current state as a project file. False when the file could not
// be written; Error then holds the platform's message.
bool SaveProjectFile(const std::string& fileName, std::uint8_t modelCode, const TPrjRandom& random,
                     std::string* error = nullptr);

// Reads and checks a file and shows its outcome. Nothing of the shared state
// changes unless the result is 0; then the four image buffers are cleared
// whole and filled from the file, and the header fields and the
// configuration section are taken over.
std::uint8_t LoadProjectFile(const std::string& fileName, TPrjMessages& messages);

// Spreads the first copy of PrjConfigBlock into the shared fields.
void UnpackConfigBlock();

// What the commands need from the main window.
class TProjectHost : public TPrjMessages {
public:
    virtual void InformationMessage(const std::string& text) = 0;
    virtual void FocusPanelBtns() = 0;
    // The file dialogs (see PrjSaveDialogTexts); false when cancelled.
    virtual bool AskSaveFileName(std::string& fileName) = 0;
    virtual bool AskOpenFileName(std::string& fileName) = 0;
    // May raise the number-box conversion error, which ends the save.
    virtual void CollectSettings() = 0;
    // Sets MCUNameEdit and runs the chip set-up, also when the text is unchanged.
    virtual void SetChipNameAndSetup(const std::string& chipName) = 0;
    virtual void SetFileNamePanel(const std::string& text) = 0;  // status bar panel 2
    virtual void UpdateAfterLoad() = 0;
    virtual void ApplyProjectSettings() = 0;
};

struct TPrjDialogTexts {
    const char* DefaultExt;
    const char* Filter;
    const char* Title;
};
TPrjDialogTexts PrjSaveDialogTexts(TBuildLang lang);
TPrjDialogTexts PrjOpenDialogTexts(TBuildLang lang);

// The File-menu commands "Save to Project File" and "Load from Project File".
void SavetoProjectFile1Click(TProjectHost& host, TLogSink* log, const TPrjRandom& random);
void SpdBtnLoaddPrjClick(TProjectHost& host, TLogSink* log);
