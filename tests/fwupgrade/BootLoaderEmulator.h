// The programmer's boot loader as the upgrade tool sees it: it answers the
// identify request, takes program packets (descrambling them into its flash)
// and answers the verify request with two sums; faults can be switched on.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "FakeFtdiDriver.h"
#include "fwupgrade/TelvicCY_FmWrV3_RV27.h"

class TBootLoaderEmulator {
public:
    enum class TAnswer { Good, Silent, Status, BadCheck, Short, BadEscape, ZeroLength };

    TBootLoaderEmulator(TFakeFtdiDriver& port, const TFirmwareImage* image);

    // Identity.
    std::string Serial = "FTA1B2C3";   // answers only while this device's port is open
    int Port = 0;                      // the chip's interface it sits on (0 = A)
    std::string Name = "Telvic200Cy BootLoader V3.0";
    bool AnswerIdentify = true;
    std::string Info = "TL200Cy Boot Loader."; // reply bytes 5 to 24: "Cy" at 10 and 11 is the programmer
    bool ZeroNameLength = false;
    int NameLengthByte = -1;           // 0 to 255: reply byte 3 regardless of the name sent

    // Block replies.
    TAnswer BlockAnswer = TAnswer::Good;
    std::uint8_t Status = 0;           // for TAnswer::Status
    bool Repeat = false;               // sends its last reply again on every poll
    int ReplyAfterPolls = 0;           // empty polls before a reply appears

    // Every reply: cut to its first CutTo bytes, or delivered as its first
    // SplitAt bytes in one poll and the rest in the next (0: whole).
    std::size_t CutTo = 0;
    std::size_t SplitAt = 0;

    // Verify reply.
    TAnswer VerifyAnswer = TAnswer::Good;
    std::uint16_t Sum2At8 = 0x8D81, Sum1At10 = 0x15F5, Sum1At24 = 0x15F5, Sum2At26 = 0x8D81;
    bool VerifyLengthOne = false;      // length field 1, status byte at 8

    // What arrived.
    std::vector<std::vector<std::uint8_t>> Requests; // decoded packets
    std::vector<unsigned> BlocksWritten;
    std::vector<std::uint8_t> Flash;                 // image bytes as written
    int IdentifyRequests = 0;
    int BadFrames = 0;                               // frame or trailer not as the tool must send
    int BadProgramChecks = 0;                        // program packets with a wrong tail

    static std::vector<std::uint8_t> Frame(const std::vector<std::uint8_t>& packet);

private:
    void OnWrite(const std::vector<std::uint8_t>& frame);
    void OnReadEmpty();
    void Answer(std::vector<std::uint8_t> frame);
    std::vector<std::uint8_t> IdentifyReply() const;
    std::vector<std::uint8_t> BlockReply(const std::vector<std::uint8_t>& request) const;
    std::vector<std::uint8_t> VerifyReply() const;
    void TakeProgramPacket(const std::vector<std::uint8_t>& packet);

    TFakeFtdiDriver& port_;
    const TFirmwareImage* image_;
    void Deliver(const std::vector<std::uint8_t>& frame);

    std::vector<std::uint8_t> pending_;
    std::vector<std::uint8_t> last_;
    std::vector<std::uint8_t> tail_;   // the second part of a split reply
    bool tailWaitsAPoll_ = false;      // the poll that took the first part is not over yet
    int delay_ = 0;
    bool repeatedThisPoll_ = false;
};
