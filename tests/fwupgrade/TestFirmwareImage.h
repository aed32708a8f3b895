// A synthetic firmware image for the tests: known bytes, key table, masks and
// a key rule of its own. It exists only in the test binaries.
#pragma once

#include <cstdint>
#include <set>
#include <vector>

#include "fwupgrade/TelvicCY_FmWrV3_RV27.h"

class TTestFirmwareImage final : public TFirmwareImage {
public:
    TTestFirmwareImage() : image_(kFwImageSize), table_(kFwKeyTableSize)
    {
        std::uint32_t x = 0x1234567u;
        auto next = [&x] {
            x = x * 1103515245u + 12345u;
            return static_cast<std::uint8_t>(x >> 16);
        };
        for (auto& b : image_)
            b = next();
        for (auto& b : table_)
            b = next();
    }
    const std::uint8_t* Image() const override { return image_.data(); }
    const std::uint8_t* KeyTable() const override { return table_.data(); }
    std::uint8_t EvenMask() const override { return 0x5A; }
    std::uint8_t OddMask() const override { return 0xA7; }
    TBlockKeys DeriveKeys(unsigned firstEntry) const override
    {
        asked.insert(firstEntry);
        return {static_cast<std::uint8_t>(table_[firstEntry] ^ 0x3C),
                static_cast<std::uint8_t>(table_[firstEntry + 1] + 0x11)};
    }
    // Makes every byte of Block travel as 0xC0, the largest frame a block gives.
    void MakeBlockScrambleToC0(unsigned block)
    {
        const TBlockKeys keys = DeriveKeys(block & ~1u);
        for (std::size_t i = 0; i < 2048; ++i) {
            const bool even = (i % 16) % 2 == 0;
            image_[block * 2048 + i] =
                static_cast<std::uint8_t>(0xC0 ^ (even ? keys.Even ^ EvenMask() : keys.Odd ^ OddMask()));
        }
    }
    mutable std::set<unsigned> asked;

private:
    std::vector<std::uint8_t> image_;
    std::vector<std::uint8_t> table_;
};
