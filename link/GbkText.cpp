// GbkText: conversion between UTF-8 and GBK with the C library's iconv, one
// character at a time where a character cannot be converted.
#include "link/GbkText.h"

#include <iconv.h>

#include <cerrno>

namespace {

constexpr char kGbk[] = "GBK";
constexpr char kUtf8[] = "UTF-8";
constexpr char kReplacement = '?';

// The length of the UTF-8 sequence that begins with lead byte b, counting
// only the continuation bytes that really follow (at least 1).
std::size_t Utf8SequenceLength(const unsigned char* p, std::size_t left)
{
    const unsigned char b = p[0];
    std::size_t n = 1;
    if (b >= 0xC0 && b <= 0xDF)
        n = 2;
    else if (b >= 0xE0 && b <= 0xEF)
        n = 3;
    else if (b >= 0xF0 && b <= 0xF7)
        n = 4;
    std::size_t len = 1;
    while (len < n && len < left && (p[len] & 0xC0) == 0x80) ++len;
    return len;
}

// Converts in with cd; at a sequence that cannot be converted, skip() tells
// how many input bytes to pass over, and '?' is written in their place.
template <class Skip>
std::string Convert(const char* to, const char* from, std::string_view in, Skip skip)
{
    std::string out;
    if (in.empty()) return out;
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        // No converter: keep the ASCII characters, mark the rest.
        for (unsigned char c : in) out += c < 0x80 ? static_cast<char>(c) : kReplacement;
        return out;
    }
    out.reserve(in.size() * 2);
    char* src = const_cast<char*>(in.data());
    std::size_t srcLeft = in.size();
    char buf[256];
    while (srcLeft > 0) {
        char* dst = buf;
        std::size_t dstLeft = sizeof buf;
        const std::size_t r = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
        out.append(buf, static_cast<std::size_t>(dst - buf));
        if (r != static_cast<std::size_t>(-1)) continue;
        if (errno == E2BIG) continue;
        // EILSEQ: a sequence the target lacks or a malformed one; EINVAL: cut at the end.
        const std::size_t n = errno == EINVAL ? srcLeft : skip(reinterpret_cast<const unsigned char*>(src), srcLeft);
        out += kReplacement;
        src += n;
        srcLeft -= n;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
    iconv_close(cd);
    return out;
}

}  // namespace

std::string Utf8ToGbk(std::string_view utf8)
{
    return Convert(kGbk, kUtf8, utf8, Utf8SequenceLength);
}

std::string GbkToUtf8(std::string_view gbk)
{
    // A lead byte whose trail byte is no trail byte stands alone; the byte
    // after it starts again.
    return Convert(kUtf8, kGbk, gbk, [](const unsigned char*, std::size_t) { return std::size_t{1}; });
}

std::size_t GbkCutLength(std::string_view gbk, std::size_t maxBytes)
{
    std::size_t at = 0;
    while (at < gbk.size()) {
        const std::size_t n = IsGbkLeadByte(static_cast<unsigned char>(gbk[at])) ? 2 : 1;
        if (at + n > maxBytes || at + n > gbk.size()) break;
        at += n;
    }
    return at;
}
