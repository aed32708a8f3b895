// TelvicCY_FmWrV3_RV27: the programmer firmware that the tool writes: image,
// key table, the two column masks and the derivation of each block's keys.
#include "fwupgrade/TelvicCY_FmWrV3_RV27.h"

#ifdef FWUP_HAVE_FIRMWARE
// Generated from the release files at configure time: kFwImageBytes,
// kFwKeyTableBytes, and the release's rule (kFwEvenMask, kFwOddMask and
// FwDeriveBlockKeys(keyTable, firstEntry)).
#include "FwReleaseImage.inc"
#include FWUP_FIRMWARE_RULE_FILE

namespace {

class TReleaseImage final : public TFirmwareImage {
public:
    const std::uint8_t* Image() const override { return kFwImageBytes; }
    const std::uint8_t* KeyTable() const override { return kFwKeyTableBytes; }
    std::uint8_t EvenMask() const override { return kFwEvenMask; }
    std::uint8_t OddMask() const override { return kFwOddMask; }
    TBlockKeys DeriveKeys(unsigned firstEntry) const override
    {
        return FwDeriveBlockKeys(kFwKeyTableBytes, firstEntry);
    }
};

static_assert(sizeof kFwImageBytes == kFwImageSize, "firmware image size");
static_assert(sizeof kFwKeyTableBytes == kFwKeyTableSize, "key table size");

const TReleaseImage kReleaseImage;

} // namespace

const TFirmwareImage* BuiltInFirmwareImage()
{
    return &kReleaseImage;
}
#else
const TFirmwareImage* BuiltInFirmwareImage()
{
    return nullptr;
}
#endif
