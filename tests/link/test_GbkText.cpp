// Names in the Chinese code page: conversion both ways and cuts at character
// boundaries. The GBK bytes are written out as the code page defines them.
#include <gtest/gtest.h>

#include <string>

#include "link/GbkText.h"

namespace {

struct TConvCase {
    const char* name;
    std::string utf8;
    std::string gbk;
};

TEST(GbkText, Utf8ToGbkAndBack)
{
    const TConvCase cases[] = {
        {"ASCII unchanged", "demo_v2.hex", "demo_v2.hex"},
        {"Chinese", "中文", "\xD6\xD0\xCE\xC4"},
        {"a name with the header key byte", "固件用户程序.hex", "\xB9\xCC\xBC\xFE\xD3\xC3\xBB\xA7\xB3\xCC\xD0\xF2.hex"},
        {"euro sign of the Windows code page", "€", "\x80"},
        {"Greek and pinyin letters", "Ωü", "\xA6\xB8\xA8\xB9"},
        {"empty", "", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Utf8ToGbk(c.utf8), c.gbk);
        EXPECT_EQ(GbkToUtf8(c.gbk), c.utf8);
    }
}

TEST(GbkText, WhatCannotBeConvertedBecomesAQuestionMark)
{
    struct Case {
        const char* name;
        bool toGbk;
        std::string from, to;
    };
    const Case cases[] = {
        {"a character GBK lacks", true, "a\xC3\xA4" "b", "a?b"},            // ä
        {"a character outside the BMP", true, "x\xF0\x9F\x98\x80y", "x?y"},  // an emoji
        {"a stray byte", true, "a\xFF" "b", "a?b"},
        {"a sequence cut at the end", true, "ab\xE4\xB8", "ab?"},
        {"a cut sequence before text", true, "\xE4\xB8" "ab", "?ab"},
        {"a lead byte at the end", false, "ab\xD6", "ab?"},
        {"a lead byte before a non-trail byte", false, "\x81\x30", "?0"},
        {"byte 0xFF", false, "a\xFF", "a?"},
    };
    for (const auto& c : cases) EXPECT_EQ(c.toGbk ? Utf8ToGbk(c.from) : GbkToUtf8(c.from), c.to) << c.name;
}

TEST(GbkText, CutsOnlyAtCharacterBoundaries)
{
    const std::string gbk = "a\xD6\xD0\xCE\xC4" "b";  // a 中 文 b
    const std::pair<std::size_t, std::size_t> cases[] = {
        {0, 0}, {1, 1}, {2, 1}, {3, 3}, {4, 3}, {5, 5}, {6, 6}, {60, 6},
    };
    for (const auto& [width, cut] : cases) EXPECT_EQ(GbkCutLength(gbk, width), cut) << width;
    EXPECT_EQ(GbkCutLength("ab\xD6", 10), 2u) << "a lead byte without its trail byte is left out";
}

}  // namespace
