// ParseCyHex: the Intel HEX object-file readers, one address layout per group of
// chip families, which store records into the shared image buffers and fields.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

// The answer to an error box with the buttons OK and Abort.
enum class TBoxAnswer { Ok, Abort };

// The error boxes of the readers (error icon, buttons OK and Abort). The main
// window shows a real message box; tests answer from a script.
class TErrorBoxHost {
public:
    virtual ~TErrorBoxHost() = default;
    virtual TBoxAnswer ShowRecordError(const std::string& text) = 0;
};

// Result codes of a record parser.
constexpr std::uint8_t kHexRecordOk = 0;
constexpr std::uint8_t kHexFormatError = 1;    // no ":" first, or the line is too short for its record
constexpr std::uint8_t kHexAddressError = 3;   // type 2 (P1: also type 4) with an address field not 0
constexpr std::uint8_t kHexChecksumError = 4;  // the record's 8-bit sum is not 0
constexpr std::uint8_t kHexTypeError = 5;      // record type above 5
constexpr std::uint8_t kHexRegionError = 7;    // unknown region, metadata count out of range, or outside the buffer

enum class THexLayout { P1, P4, P35, F0, P6 };

// The layout that FamilyCode selects.
THexLayout HexLayoutForFamily(std::uint8_t FamilyCode);

// The value of two hex digits (no check of the characters: A..Z and a..z count
// from 10, any other character is its code minus 0x30).
std::uint8_t HexPairToByte(char Hi, char Lo);

// The plain 32-bit sum of Buffer[First..Last]; 0 when Last < First.
std::uint32_t SumBytes32(const std::uint8_t* Buffer, std::uint32_t First, std::uint32_t Last);

// Decode one record (the line without its line end) and store it; ExtAddr is the
// reader's extended address. Returns one of the codes above.
std::uint8_t ParseHexLineP1(std::string_view Line, std::uint32_t& ExtAddr);
std::uint8_t ParseHexLineP4(std::string_view Line, std::uint32_t& ExtAddr);
std::uint8_t ParseHexLineP35(std::string_view Line, std::uint32_t& ExtAddr);
std::uint8_t ParseHexLineF0(std::string_view Line, std::uint32_t& ExtAddr);
std::uint8_t ParseHexLineP6(std::string_view Line, std::uint32_t& ExtAddr);
std::uint8_t ParseHexLine(THexLayout Layout, std::string_view Line, std::uint32_t& ExtAddr);

// The lines of a file, read as bytes. LF, CRLF and CR each end a line; the line
// end is never part of the line, and a last line without an end still counts.
class THexLineReader {
public:
    THexLineReader();
    ~THexLineReader();
    THexLineReader(const THexLineReader&) = delete;
    THexLineReader& operator=(const THexLineReader&) = delete;

    // Opens the file and reads its first chunk, so that a file that cannot be
    // opened or read is known before anything is changed. False on failure.
    bool Open(const std::string& FileName);
    // True when the opened file holds no byte at all.
    bool Empty() const { return pos_ == end_ && eof_; }
    // The next line; false at the end of the file or on a read error. The view
    // stays valid until the next call.
    bool NextLine(std::string_view& Line);
    bool Failed() const { return failed_; }
    // The system's text for the last open or read failure.
    const std::string& ErrorText() const { return errorText_; }

private:
    bool Fill();
    void Carry(const char* begin, const char* end);
    std::FILE* file_ = nullptr;
    std::vector<char> buf_;
    std::size_t pos_ = 0;
    std::size_t end_ = 0;
    bool eof_ = false;
    bool failed_ = false;
    bool skipLf_ = false;  // the last line ended in CR: a following LF belongs to it
    std::string carry_;    // a line that crosses a chunk boundary
    std::string errorText_;
};

enum class THexReadResult {
    Completed,   // read to the end (record errors answered with OK)
    Aborted,     // an error box was answered with Abort
    OpenFailed,  // the file could not be opened or its first chunk read: nothing changed
    ReadFailed   // a read error part-way: what was read before stays stored
};

// Reads the rest of an opened file with a layout's parser, with its error boxes.
THexReadResult ReadHexFile(THexLayout Layout, THexLineReader& Reader, TErrorBoxHost& Boxes);

// The five readers: open the file, then read it whole.
THexReadResult ReadHexFileP1(const std::string& FileName, TErrorBoxHost& Boxes);
THexReadResult ReadHexFileP4(const std::string& FileName, TErrorBoxHost& Boxes);
THexReadResult ReadHexFileP35(const std::string& FileName, TErrorBoxHost& Boxes);
THexReadResult ReadHexFileF0(const std::string& FileName, TErrorBoxHost& Boxes);
THexReadResult ReadHexFileP6(const std::string& FileName, TErrorBoxHost& Boxes);
