// GbkText: chip and object-file names as the programmer units and the project
// files keep them, in the code page of a Chinese Windows system (GBK). Inside
// the program, and in the log files, names are UTF-8.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// The GBK bytes of a UTF-8 text. A character GBK lacks, and a byte that is
// not part of a well-formed UTF-8 character, becomes '?'.
std::string Utf8ToGbk(std::string_view utf8);

// The UTF-8 text of GBK bytes. A byte sequence that is no GBK character (a
// lead byte without its trail byte included) becomes '?'.
std::string GbkToUtf8(std::string_view gbk);

// The byte count of the longest start of a GBK text that holds at most
// maxBytes bytes and does not end inside a two-byte character (a last lead
// byte without its trail byte is left out too).
std::size_t GbkCutLength(std::string_view gbk, std::size_t maxBytes);

// True for a byte that begins a two-byte GBK character.
constexpr bool IsGbkLeadByte(unsigned char b) { return b >= 0x81 && b <= 0xFE; }
