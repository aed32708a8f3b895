// SerialComm: TComm, the serial-port component: one port opened by name with its line settings,
// a reader and a writer thread, and their notifications fired as events on the GUI thread.
#pragma once

#include <QObject>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>

// Every failure of OpenComm. what() is the message the user sees.
class ECommsError : public std::runtime_error {
public:
    explicit ECommsError(const std::string& message) : std::runtime_error(message) {}
};

// Message texts, kept exactly as the users know them.
inline constexpr const char* kMsgAlreadyOpened = "This serial port already opened";
inline constexpr const char* kMsgOpenFailedFmt = "Error opening serial port:%s";
inline constexpr const char* kMsgNotCommHandle = "File handle is not a comm handle ";
// Linux tty queues are sized by the driver, so this one is never raised here.
inline constexpr const char* kMsgCommBuffer = "Cannot setup comm buffer";
inline constexpr const char* kMsgCreateEvent = "Unable to create event";
inline constexpr const char* kMsgReadThread = "Unable to create read thread";
inline constexpr const char* kMsgWriteThread = "Unable to create write thread";

enum class TDtrControl { DtrEnable, DtrDisable, DtrHandshake };
enum class TRtsControl { RtsEnable, RtsDisable, RtsHandshake, RtsTransmissionAvailable };
enum class TByteSize { _5, _6, _7, _8 };
enum class TParity { None, Odd, Even, Mark, Space };
enum class TStopBits { _1, _1_5, _2 };

// The notifications the threads send, numbered as the component's messages always were.
inline constexpr std::uint32_t WM_USER = 1024;
enum class TCommMessage : std::uint32_t {
    WM_COMMDATA = WM_USER + 1,      // a received chunk
    WM_COMMERROR = WM_USER + 2,     // a line error; value = error mask
    WM_COMMHANGUP = WM_USER + 3,    // the port or a thread failed
    WM_COMMMODEM = WM_USER + 4,     // modem-line change; value = kModemRing and/or kModemCarrier
    WM_COMMSENDEMPTY = WM_USER + 5, // the writer's queue ran dry
};

// Error mask bits of OnReceiveError, as the platform's comm error bits.
inline constexpr std::uint32_t kCommErrRxOver = 0x0001;  // input buffer overflow
inline constexpr std::uint32_t kCommErrOverrun = 0x0002; // character lost by the UART
inline constexpr std::uint32_t kCommErrParity = 0x0004;
inline constexpr std::uint32_t kCommErrFrame = 0x0008;
inline constexpr std::uint32_t kCommErrBreak = 0x0010;
// ModemEvent bits of OnModemStateChange.
inline constexpr std::uint32_t kModemRing = 4;
inline constexpr std::uint32_t kModemCarrier = 8;

inline constexpr std::size_t kReadChunkMax = 2048; // largest chunk OnReceiveData gets

class TComm;
class TReadThread;
class TWriteThread;
class TCommNotifier;
struct TCommTimeouts;

using TReceiveDataEvent = std::function<void(TComm* Sender, void* Buffer, std::uint16_t BufferLength)>;
using TReceiveErrorEvent = std::function<void(TComm* Sender, std::uint32_t EventMask)>;
using TModemStateChangeEvent = std::function<void(TComm* Sender, std::uint32_t ModemEvent)>;
using TNotifyEvent = std::function<void(TComm* Sender)>;
using TSendDataEmptyEvent = std::function<void(TComm* Sender)>;

// One serial port. All methods, setters and events belong to the GUI thread (the thread
// that created the component). The destructor closes an open port, so no thread outlives it.
class TComm : public QObject {
public:
    explicit TComm(QObject* Owner = nullptr);
    ~TComm() override;
    TComm(const TComm&) = delete;
    TComm& operator=(const TComm&) = delete;

    // Opens the port named CommName (a name without '/' is looked up in /dev) and starts
    // the threads. Throws ECommsError; a failed open leaves the component closed.
    void OpenComm();
    // Stops both threads and closes the port. Does nothing when closed.
    void CloseComm();
    // Queues a copy of Length bytes for the writer; false when closed, Length is 0 or the
    // writer has already stopped.
    bool SendCommData(const void* Buffer, std::uint16_t Length);
    // The port's file descriptor while open (never 0), 0 while closed.
    int PortHandle() const { return FHandle; }

    // Events, fired on the GUI thread. An unbound event is skipped.
    TReceiveDataEvent OnReceiveData;
    TReceiveErrorEvent OnReceiveError;
    TModemStateChangeEvent OnModemStateChange;
    TNotifyEvent OnRequestHangup;
    TSendDataEmptyEvent OnSendDataEmpty;

    // CommName and Parity are plain stores: they take effect at the next OpenComm (or, for
    // Parity, when another line setting is applied).
    const std::string& CommName() const { return FCommName; }
    void SetCommName(const std::string& Value) { FCommName = Value; }
    TParity Parity() const { return FParity; }
    void SetParity(TParity Value) { FParity = Value; }

    // Line settings: a change while open applies all of them again.
    std::uint32_t BaudRate() const { return FBaudRate; }
    void SetBaudRate(std::uint32_t Value) { SetLine(FBaudRate, Value); }
    bool ParityCheck() const { return FParityCheck; }
    void SetParityCheck(bool Value) { SetLine(FParityCheck, Value); }
    bool Outx_CtsFlow() const { return FOutxCtsFlow; }
    void SetOutx_CtsFlow(bool Value) { SetLine(FOutxCtsFlow, Value); }
    bool Outx_DsrFlow() const { return FOutxDsrFlow; }
    void SetOutx_DsrFlow(bool Value) { SetLine(FOutxDsrFlow, Value); }
    TDtrControl DtrControl() const { return FDtrControl; }
    void SetDtrControl(TDtrControl Value) { SetLine(FDtrControl, Value); }
    bool DsrSensitivity() const { return FDsrSensitivity; }
    void SetDsrSensitivity(bool Value) { SetLine(FDsrSensitivity, Value); }
    bool TxContinueOnXoff() const { return FTxContinueOnXoff; }
    void SetTxContinueOnXoff(bool Value) { SetLine(FTxContinueOnXoff, Value); }
    bool Outx_XonXoffFlow() const { return FOutxXonXoffFlow; }
    void SetOutx_XonXoffFlow(bool Value) { SetLine(FOutxXonXoffFlow, Value); }
    bool Inx_XonXoffFlow() const { return FInxXonXoffFlow; }
    void SetInx_XonXoffFlow(bool Value) { SetLine(FInxXonXoffFlow, Value); }
    bool ReplaceWhenParityError() const { return FReplaceWhenParityError; }
    void SetReplaceWhenParityError(bool Value) { SetLine(FReplaceWhenParityError, Value); }
    bool IgnoreNullChar() const { return FIgnoreNullChar; }
    void SetIgnoreNullChar(bool Value) { SetLine(FIgnoreNullChar, Value); }
    TRtsControl RtsControl() const { return FRtsControl; }
    void SetRtsControl(TRtsControl Value) { SetLine(FRtsControl, Value); }
    std::uint16_t XonLimit() const { return FXonLimit; }
    void SetXonLimit(std::uint16_t Value) { SetLine(FXonLimit, Value); }
    std::uint16_t XoffLimit() const { return FXoffLimit; }
    void SetXoffLimit(std::uint16_t Value) { SetLine(FXoffLimit, Value); }
    TByteSize ByteSize() const { return FByteSize; }
    void SetByteSize(TByteSize Value) { SetLine(FByteSize, Value); }
    TStopBits StopBits() const { return FStopBits; }
    void SetStopBits(TStopBits Value) { SetLine(FStopBits, Value); }
    char XonChar() const { return FXonChar; }
    void SetXonChar(char Value) { SetLine(FXonChar, Value); }
    char XoffChar() const { return FXoffChar; }
    void SetXoffChar(char Value) { SetLine(FXoffChar, Value); }
    char ReplacedChar() const { return FReplacedChar; }
    void SetReplacedChar(char Value) { SetLine(FReplacedChar, Value); }

    // Time-outs in ms: a change while open reaches the reader at its next chunk.
    std::uint32_t ReadIntervalTimeout() const { return FReadIntervalTimeout; }
    void SetReadIntervalTimeout(std::uint32_t Value) { SetTimeout(FReadIntervalTimeout, Value); }
    std::uint32_t ReadTotalTimeoutMultiplier() const { return FReadTotalTimeoutMultiplier; }
    void SetReadTotalTimeoutMultiplier(std::uint32_t Value) { SetTimeout(FReadTotalTimeoutMultiplier, Value); }
    std::uint32_t ReadTotalTimeoutConstant() const { return FReadTotalTimeoutConstant; }
    void SetReadTotalTimeoutConstant(std::uint32_t Value) { SetTimeout(FReadTotalTimeoutConstant, Value); }
    std::uint32_t WriteTotalTimeoutMultiplier() const { return FWriteTotalTimeoutMultiplier; }
    void SetWriteTotalTimeoutMultiplier(std::uint32_t Value) { SetTimeout(FWriteTotalTimeoutMultiplier, Value); }
    std::uint32_t WriteTotalTimeoutConstant() const { return FWriteTotalTimeoutConstant; }
    void SetWriteTotalTimeoutConstant(std::uint32_t Value) { SetTimeout(FWriteTotalTimeoutConstant, Value); }

private:
    friend class TCommNotifier;

    template <typename T>
    void SetLine(T& Field, T Value)
    {
        if (Field == Value)
            return;
        Field = Value;
        if (FHandle != 0)
            ApplyLineSettings();
    }
    void SetTimeout(std::uint32_t& Field, std::uint32_t Value)
    {
        if (Field == Value)
            return;
        Field = Value;
        if (FHandle != 0)
            ApplyTimeouts();
    }
    void ApplyLineSettings();
    void ApplyTimeouts();
    void ApplyModemLines();
    void StopThreads();
    void ReleasePort();
    // Called by the notifier for each notification of the session still open.
    void Fire(TCommMessage Message, std::uint32_t Value, void* Block, std::uint16_t Count);

    int FHandle = 0;
    int FCloseEvent = -1;          // eventfd: readable means stop
    std::uint32_t FSession = 0;    // id of the open session, 0 while closed
    std::uint32_t FLastSession = 0;
    std::atomic<bool> FSendEmpty{true};
    std::unique_ptr<TReadThread> FReadThread;
    std::unique_ptr<TWriteThread> FWriteThread;
    std::unique_ptr<TCommTimeouts> FTimeouts;
    TCommNotifier* FNotifier = nullptr;

    std::string FCommName = "COM2";
    std::uint32_t FBaudRate = 9600;
    bool FParityCheck = false;
    bool FOutxCtsFlow = false;
    bool FOutxDsrFlow = false;
    TDtrControl FDtrControl = TDtrControl::DtrEnable;
    bool FDsrSensitivity = false;
    bool FTxContinueOnXoff = true;
    bool FOutxXonXoffFlow = true;
    bool FInxXonXoffFlow = true;
    bool FReplaceWhenParityError = false;
    bool FIgnoreNullChar = false;
    TRtsControl FRtsControl = TRtsControl::RtsEnable;
    std::uint16_t FXonLimit = 500;
    std::uint16_t FXoffLimit = 500;
    TByteSize FByteSize = TByteSize::_8;
    TParity FParity = TParity::None;
    TStopBits FStopBits = TStopBits::_1;
    char FXonChar = 17;
    char FXoffChar = 19;
    char FReplacedChar = 0;
    std::uint32_t FReadIntervalTimeout = 100;
    std::uint32_t FReadTotalTimeoutMultiplier = 0;
    std::uint32_t FReadTotalTimeoutConstant = 0;
    std::uint32_t FWriteTotalTimeoutMultiplier = 0;
    std::uint32_t FWriteTotalTimeoutConstant = 0;
};
