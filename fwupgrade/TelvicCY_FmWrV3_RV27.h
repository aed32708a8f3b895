// TelvicCY_FmWrV3_RV27: the programmer firmware that the tool writes: image,
// key table, the two column masks and the derivation of each block's keys.
#pragma once

#include <cstddef>
#include <cstdint>

constexpr std::size_t kFwImageSize = 32768;
constexpr std::size_t kFwKeyTableSize = 320;

struct TBlockKeys {
    std::uint8_t Even = 0; // for bytes in even columns of a 16-byte row
    std::uint8_t Odd = 0;  // for bytes in odd columns
};

// A firmware image as the transfer reads it. The release build fills one from
// the release files; tests hand their own to the windows.
class TFirmwareImage {
public:
    virtual ~TFirmwareImage() = default;
    virtual const std::uint8_t* Image() const = 0;    // kFwImageSize bytes
    virtual const std::uint8_t* KeyTable() const = 0; // kFwKeyTableSize bytes
    virtual std::uint8_t EvenMask() const = 0;
    virtual std::uint8_t OddMask() const = 0;
    // The key bytes shared by blocks FirstEntry and FirstEntry + 1 (FirstEntry
    // even), from the key-table entries FirstEntry and FirstEntry + 1.
    virtual TBlockKeys DeriveKeys(unsigned firstEntry) const = 0;
};

// The image built into this program, or nullptr when it was built without the
// release files (it then lists, probes and verifies, but does not upgrade).
const TFirmwareImage* BuiltInFirmwareImage();
