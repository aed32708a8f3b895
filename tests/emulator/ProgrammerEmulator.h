// ProgrammerEmulator: one programmer unit on the master side of a
// pseudo-terminal, served by its own thread, for end-to-end tests and demos.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "emulator/EmuCodec.h"

namespace emu {

using Clock = std::chrono::steady_clock;

// Sizes of the unit's memories (the chip in its socket and the unit's own store).
constexpr std::size_t kEmuFlashSize = 4u * 1024u * 1024u;
constexpr std::size_t kEmuSideSize = 65536;
constexpr std::size_t kEmuSecuritySize = 256;
constexpr std::size_t kBlockBytes = 4096;
constexpr std::size_t kParamBytes = 64;
constexpr std::size_t kHeaderBytes = 8;

// Command codes the unit understands.
enum : std::uint8_t {
    kCmdOp = 0x93,
    kCmdProgFlash = 0x95,
    kCmdProgEep = 0x99,
    kCmdProgWFlash = 0x98,
    kCmdReadFlash = 0x9B,
    kCmdReadEep = 0x9D,
    kCmdReadWFlash = 0x9A,
    kCmdDlFlash = 0x55,
    kCmdDlEccSFlash = 0xD7,
    kCmdDlWFlash = 0x5A,
    kCmdConfig = 0x53,
    kCmdRestx = 0x8A,
    kCmdIdentify = 0xA3,  // the raw identify request A3 A5 35
};
// Sub-operations of kCmdOp (its argument).
enum : std::uint16_t {
    kOpErase = 3,
    kOpBlank = 5,
    kOpReadSecurity = 0x33,
    kOpWriteSecurity = 0x35,
    kOpChipId = 0x37,
    kOpVerify = 0x53,
};

// The serial-number and count-limit record a unit reports when identified.
struct TUnitSettings {
    std::uint8_t SNMode = 0;
    std::uint32_t SNAddr = 0;
    std::uint32_t SNInitial = 0;
    std::uint8_t LimitOn = 0;
    std::uint32_t Limit = 0;
    std::uint32_t Programmed = 0;
    std::uint32_t SNCurrent = 0;
};

// What the unit does instead of its normal reply to one request.
struct TFault {
    enum class Kind {
        Status,      // a status reply with Code
        Silence,     // no reply at all
        BadCrc,      // the normal reply with a wrong check value
        BadEscape,   // a frame with an escape byte followed by 0x41
        ShortFrame,  // a frame of Count (< 8) packet bytes
        Split,       // the normal reply written in chunks of Count bytes, GapUs apart
        Garbage,     // Count noise bytes (never 0xC0) before the normal reply
        Truncate,    // a data reply that carries only Count data bytes
        Disconnect,  // write Count bytes of the normal reply, then hang up
        Hold,        // keep the normal reply until ReleaseHeld
        Report,      // a stand-alone report with stage Code and result Count instead
    };
    Kind kind = Kind::Status;
    int Code = 0;
    int Count = 0;
    int GapUs = 0;
};

// Applies a fault to the nth request (from 1) with this code and, unless it
// is -1, this argument, counted from when the rule was added. One-shot.
struct TFaultRule {
    std::uint8_t code = 0;
    int arg = -1;
    int nth = 1;
    TFault fault;
};

struct TRequest {
    std::uint8_t code = 0;
    std::uint16_t arg = 0;
    std::uint8_t family = 0;
    std::uint8_t chipIndex = 0;
    std::uint16_t length = 0;  // N of the header
    Bytes packet;              // the decoded packet
    Clock::time_point firstByte;  // when the read holding its opening byte returned
};

struct TEmulatorConfig {
    std::string name = "Telvic200Cy_GangUnit_V9.1";  // identify name; empty: never answers
    TUnitSettings settings;
    bool recordOutsidePacket = false;  // cut the identify reply before its record
    std::uint16_t chipId1 = 0x1234;
    std::uint16_t chipId2 = 0x5678;
    std::uint8_t notBlankStatus = 21;
    bool replyToRestx = false;
};

class TProgrammerEmulator {
public:
    explicit TProgrammerEmulator(TEmulatorConfig config = {});
    ~TProgrammerEmulator();
    TProgrammerEmulator(const TProgrammerEmulator&) = delete;
    TProgrammerEmulator& operator=(const TProgrammerEmulator&) = delete;

    // The slave path the PC opens (/dev/pts/N).
    const std::string& Path() const { return path_; }

    void AddFault(const TFaultRule& rule);
    void SetConfig(const TEmulatorConfig& config);

    // Stand-alone report packet: FD, stage, result, progress, maximum, check.
    void SendReport(std::uint8_t stage, std::uint8_t result, std::uint16_t progress,
                    std::uint16_t maximum, bool badSum = false);
    // Writes raw bytes as they are.
    void SendRaw(const Bytes& bytes);
    // Writes the replies kept by Hold faults, in the order they were kept.
    void ReleaseHeld();
    // Closes the master side: the PC sees a hang-up and the path disappears.
    void Disconnect();

    std::vector<TRequest> Requests() const;
    std::size_t RequestCount() const;
    // Codes and arguments as "93:3" ("A3" for identify), in order.
    std::vector<std::string> RequestSummary() const;
    bool WaitForRequests(std::size_t count, int timeoutMs) const;
    void ClearRequests();
    // Protocol violations seen so far (bad check value, header, trailer, noise).
    std::vector<std::string> Errors() const;

    // The chip in the socket and the unit's downloaded store.
    void FillChip(std::uint8_t value);
    void SetChipFlash(std::size_t offset, const Bytes& data);
    void SetChipEep(std::size_t offset, const Bytes& data);
    void SetChipWFlash(std::size_t offset, const Bytes& data);
    void SetChipSecurity(const Bytes& data);
    Bytes ChipFlash(std::size_t offset, std::size_t len) const;
    Bytes ChipEep(std::size_t offset, std::size_t len) const;
    Bytes ChipWFlash(std::size_t offset, std::size_t len) const;
    Bytes ChipSecurity() const;
    Bytes StoreFlash(std::size_t offset, std::size_t len) const;
    Bytes StoreSide(std::size_t offset, std::size_t len) const;  // ECC / WFlash downloads
    Bytes StoreSFlash(std::size_t offset, std::size_t len) const;
    // The last configuration block, unscrambled (512 bytes), empty before one came.
    Bytes ConfigBlock() const;

    // Times at which the last byte of each reply was written, in order.
    std::vector<Clock::time_point> ReplyDoneTimes() const;

private:
    struct TPlan {
        Bytes bytes;
        int chunk = 0;
        int gapUs = 0;
        int disconnectAfter = -1;
    };
    void Run();
    void OnPacket(const Bytes& packet, Clock::time_point t, TPlan& plan);
    Bytes HandleCommand(const TRequest& req, std::uint8_t& status, bool& reply);
    Bytes IdentifyReply() const;
    Bytes StatusPacket(const TRequest& req, std::uint8_t status) const;
    Bytes DataPacket(const TRequest& req, const Bytes& data) const;
    void StoreSideBlock(std::vector<std::uint8_t>& mem, const Bytes& pkt, std::size_t from,
                        std::size_t pos);
    Bytes ReadSide(const std::vector<std::uint8_t>& mem, std::size_t pos, bool psoc6,
                   std::size_t eepSize) const;
    const TFaultRule* MatchFault(const TRequest& req);
    void Execute(const TPlan& plan);
    void WriteAll(const std::uint8_t* data, std::size_t len);
    void CloseMaster();

    std::string path_;
    int master_ = -1;
    int slave_ = -1;
    int wake_[2] = {-1, -1};
    bool stop_ = false;
    bool disconnected_ = false;
    bool disconnectRequested_ = false;

    mutable std::mutex mu_;
    mutable std::condition_variable cv_;
    std::mutex writeMu_;
    TEmulatorConfig config_;
    std::vector<TFaultRule> faults_;
    std::vector<int> faultSeen_;
    std::vector<TRequest> requests_;
    std::vector<std::string> errors_;
    std::vector<Clock::time_point> replyDone_;
    std::vector<TPlan> held_;
    std::vector<std::uint8_t> chipFlash_, chipEep_, chipWFlash_, chipSecurity_;
    std::vector<std::uint8_t> storeFlash_, storeSide_, storeSFlash_;
    Bytes config_block_;
    bool blank_ = true;
    TRequestParser parser_;
    Clock::time_point frameStart_;
    std::thread thread_;
};

}  // namespace emu
