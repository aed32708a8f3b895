// FuzzSupport: what the fuzz targets share: a reader over the input bytes,
// quiet link sinks, a clean shared state per input and a scratch file.
#pragma once

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "link/CyIniComRT.h"
#include "link/DefinCyX4.h"
#include "link/LinkSinks.h"

// Takes the input apart front to back; past the end every read gives 0.
class TFuzzInput {
public:
    TFuzzInput(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    std::uint8_t Byte() { return pos_ < size_ ? data_[pos_++] : 0; }
    std::uint16_t Word()
    {
        const std::uint16_t lo = Byte();
        return static_cast<std::uint16_t>(lo | (Byte() << 8));
    }
    // A value out of a table, chosen by the next byte.
    template <class T, std::size_t N>
    T Pick(const T (&table)[N])
    {
        return table[Byte() % N];
    }
    // Up to n of the remaining bytes.
    std::size_t Take(std::size_t n, const std::uint8_t*& out)
    {
        const std::size_t left = size_ - pos_;
        const std::size_t k = n < left ? n : left;
        out = data_ + pos_;
        pos_ += k;
        return k;
    }
    const std::uint8_t* Rest() const { return data_ + pos_; }
    std::size_t Left() const { return size_ - pos_; }
    bool Empty() const { return pos_ >= size_; }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
};

// A log that keeps nothing but still takes every line, so formatting runs.
class TFuzzLog : public TLogSink {
public:
    void LogLine(const std::string& text) override { chars += text.size(); }
    void AddLine(const std::string& line) override { chars += line.size(); }
    bool SaveToFile(const std::string&) override { return saveResult; }
    std::size_t chars = 0;
    bool saveResult = true;
};

class TFuzzStatus : public TStatusPanel {
public:
    void ShowProgrammerName(const std::string& text) override { name = text; }
    std::string name;
};

class TFuzzImage : public TImageHost {
public:
    void AdvanceSerialNumber() override { ++advances; }
    void RefreshAfterReadBack(int) override { ++refreshes; }
    int advances = 0;
    int refreshes = 0;
};

// The sinks and gauges of a fuzz run; Bind() puts the shared state back to
// power-on and wires the link to them (no ports: senders send nowhere).
struct TFuzzLink {
    TFuzzLog log;
    TFuzzStatus status;
    TFuzzImage image;
    TPortListBox portList;
    TGauge gauges[kChannelCount];

    void Bind()
    {
        ResetSharedStateForTest();
        InitCommonVars();
        LinkHost = TLinkHost{&log, &status, &image, &portList};
        for (int i = 0; i < kChannelCount; ++i) {
            gauges[i] = TGauge{};
            Channels[i].Gauge = &gauges[i];
            Channels[i].Port = nullptr;
        }
    }
};

// Removes the scratch files of this process when it ends.
struct TScratchFiles {
    ~TScratchFiles()
    {
        for (const std::string& p : paths) std::remove(p.c_str());
    }
    std::string Path(const std::string& ext)
    {
        const char* dir = std::getenv("TMPDIR");
        const std::string p = std::string(dir && *dir ? dir : "/tmp") + "/telvic-fuzz-" +
                              std::to_string(static_cast<long>(getpid())) + ext;
        for (const std::string& known : paths)
            if (known == p) return p;
        paths.push_back(p);
        return p;
    }
    std::vector<std::string> paths;
};
inline TScratchFiles ScratchFiles;

// Frees what a run left in the shared state (names, texts), so that every run
// frees what it allocates and the leak check after a run finds nothing of ours.
inline void ReleaseSharedState()
{
    ResetSharedStateForTest();
    AppDir.clear();
    AppDir.shrink_to_fit();
}

// A file holding exactly the given bytes, named with the given extension;
// the same path is reused by every input of one process.
inline std::string WriteScratchFile(const std::uint8_t* data, std::size_t size, const std::string& ext)
{
    const std::string path = ScratchFiles.Path(ext);
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) std::abort();
    if (size > 0 && std::fwrite(data, 1, size, f) != size) std::abort();
    std::fclose(f);
    return path;
}
