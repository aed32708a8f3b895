// Object-file load benchmark: generates a ~12 MB Intel HEX file of a 4 MiB
// PSoC 6 image, times our load against objcopy and srec_cat, prints ratios and
// the peak memory our load needs beyond the fixed image buffers.
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "app/ObjFileLoadRT.h"
#include "link/DefinCyX4.h"
#include "link/LinkSinks.h"
#include "tests/app/HexGen.h"

namespace {

constexpr std::uint32_t kImageBase = 0x10000000;
constexpr std::size_t kImageBytes = 4u * 1024u * 1024u;
constexpr std::uint8_t kFamilyPsoc6 = 0xD8;
constexpr std::uint16_t kFlashKB = 4096;
constexpr int kRuns = 5;
constexpr double kMiB = 1024.0 * 1024.0;
constexpr double kMemoryGoalMiB = 16.0;

struct TQuietHost : TObjFileHost {
    bool AskOpenFileName(int, std::string&) override { return false; }
    bool AskSaveFileName(std::string&) override { return false; }
    void ShowInformation(const std::string&) override {}
    void ShowFileError(const std::string& text) override { std::fprintf(stderr, "box: %s\n", text.c_str()); }
    void SetLabelFile(const std::string&) override {}
    void SetFileNamePanel(const std::string&) override {}
    void SetChipIdLabels(const std::string&, const std::string&) override {}
    void SetP6IdLabel(const std::string&) override {}
    void SetCheckBox(TLoadCheckBox, bool) override {}
    void SetRopVisible(bool) override {}
    std::string TimeOfDay() override { return "00:00:00"; }
};
struct TQuietRefresh : TImageRefresh {
    void CalcMainChecksums(std::uint32_t, std::uint32_t) override {}
    void ShowMainFlash(std::uint32_t, std::uint32_t) override {}
    void ShowSecurityData() override {}
    void ShowEccWFlash() override {}
    void ShowEepSFlash() override {}
};
struct TQuietLog : TLogSink {
    void LogLine(const std::string&) override {}
    void AddLine(const std::string&) override {}
    bool SaveToFile(const std::string&) override { return true; }
};
struct TCountingBoxes : TErrorBoxHost {
    int Count = 0;
    TBoxAnswer ShowRecordError(const std::string&) override
    {
        ++Count;
        return TBoxAnswer::Ok;
    }
};

// Loads one file as the load command does (clear, parse, store, bookkeeping);
// the checksum and view refresh are left out. Returns the record boxes shown.
int OurLoad(const std::string& path)
{
    TQuietHost host;
    TQuietRefresh refresh;
    TQuietLog log;
    TCountingBoxes boxes;
    CurChip.FamilyCode = kFamilyPsoc6;
    CurChip.FlashSizeKB = kFlashKB;
    ChipSelected = 1;
    TObjFileLoader loader(TBuildLang::Chinese, host, refresh, log, boxes);
    if (loader.OpenObjectFile(path) != TObjLoadResult::Loaded) return -1;
    return boxes.Count;
}

long StatusKiB(const char* key)
{
    std::ifstream in("/proc/self/status");
    std::string line;
    const std::size_t n = std::strlen(key);
    while (std::getline(in, line))
        if (line.compare(0, n, key) == 0) return std::atol(line.c_str() + n);
    return -1;
}

// Child mode: a fresh process touches the fixed buffers, then loads once and
// prints the peak resident growth in KiB.
int MemoryChild(const std::string& path)
{
    std::memset(&ImageBufs, 1, sizeof ImageBufs);
    std::vector<char> warm(1);  // let the allocator set up before the baseline
    const long before = StatusKiB("VmHWM:");
    if (OurLoad(path) < 0) return 1;
    const long after = StatusKiB("VmHWM:");
    std::printf("%ld\n", after - before);
    return 0;
}

double Seconds(std::chrono::steady_clock::duration d)
{
    return std::chrono::duration<double>(d).count();
}

// Runs a command, returns its wall time in seconds (negative when it failed)
// and its peak resident size in KiB.
double RunTool(const std::vector<std::string>& argv, long* maxRssKiB)
{
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        std::vector<char*> args;
        for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        execvp(args[0], args.data());
        _exit(127);
    }
    int status = 0;
    rusage usage {};
    wait4(pid, &status, 0, &usage);
    const double t = Seconds(std::chrono::steady_clock::now() - start);
    if (maxRssKiB) *maxRssKiB = usage.ru_maxrss;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? t : -1.0;
}

std::string ReadAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::size_t FileSize(const std::string& path)
{
    struct stat st {};
    return stat(path.c_str(), &st) == 0 ? static_cast<std::size_t>(st.st_size) : 0;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && std::string(argv[1]) == "--memory-child") return MemoryChild(argv[2]);

    const std::string dir = argc > 1 ? argv[1] : "/tmp";
    const std::string full = dir + "/bench_hex_load_full.hex";
    const std::string cropped = dir + "/bench_hex_load_flash.hex";

    // A 4 MiB image of pseudo-random bytes, and the same file with the
    // checksum and metadata records (cropped copy for the external tools).
    std::vector<std::uint8_t> image(kImageBytes);
    std::uint32_t seed = 12345;
    std::uint16_t sum = 0;
    for (auto& b : image) {
        seed = seed * 1103515245u + 12345u;
        b = static_cast<std::uint8_t>(seed >> 16);
        sum = static_cast<std::uint16_t>(sum + b);
    }
    {
        std::ofstream(cropped, std::ios::binary) << hextest::HexFile({{kImageBase, image}});
        std::ofstream(full, std::ios::binary) << hextest::HexFile(
            {{kImageBase, image},
             {0x90300000, {static_cast<std::uint8_t>(sum >> 8), static_cast<std::uint8_t>(sum)}},
             {0x90500000, {0, 5, 0xE2, 0x07, 0x21, 0, 0x21, 1, 0, 0, 0, 0}}});
    }
    std::printf("HEX file: %.1f MB (%zu bytes), image %zu bytes\n", FileSize(full) / 1e6, FileSize(full), kImageBytes);

    // Our load, best of kRuns, on both files.
    double ours = 1e9, oursFull = 1e9;
    for (int i = 0; i < kRuns; ++i) {
        auto t0 = std::chrono::steady_clock::now();
        const int boxes = OurLoad(cropped);
        ours = std::min(ours, Seconds(std::chrono::steady_clock::now() - t0));
        t0 = std::chrono::steady_clock::now();
        const int boxesFull = OurLoad(full);
        oursFull = std::min(oursFull, Seconds(std::chrono::steady_clock::now() - t0));
        if (boxes != 0 || boxesFull != 0) {
            std::printf("load failed or showed record errors\n");
            return 1;
        }
    }
    const bool same = std::equal(image.begin(), image.end(), ImageBufs.MainFlashBuf) &&
                      Checksums.FileCheckSum == sum;
    std::printf("our load:   %.3f s (flash records), %.3f s (with metadata); image %s\n", ours, oursFull,
                same ? "matches" : "DIFFERS");

    // The external tools, best of kRuns; their output must be the image too.
    struct TTool {
        const char* name;
        std::vector<std::string> argv;
    };
    const std::string out = dir + "/bench_hex_load_out.bin";
    const TTool tools[] = {
        {"objcopy", {"objcopy", "-I", "ihex", "-O", "binary", cropped, out}},
        {"srec_cat", {"srec_cat", full, "-intel", "-crop", "0x10000000", "0x10400000", "-offset", "-0x10000000",
                      "-o", out, "-binary"}},
    };
    const std::string imageText(image.begin(), image.end());
    for (const auto& tool : tools) {
        double best = 1e9;
        long rss = 0;
        for (int i = 0; i < kRuns && best > 0; ++i) {
            const double t = RunTool(tool.argv, &rss);
            if (t < 0) best = -1;
            else best = std::min(best, t);
        }
        if (best < 0) {
            std::printf("%-9s   not available or failed\n", tool.name);
            continue;
        }
        std::printf("%-9s   %.3f s, peak %.1f MiB, output %s; ours / %s = %.2f\n", tool.name, best, rss / 1024.0,
                    ReadAll(out) == imageText ? "matches" : "DIFFERS", tool.name, ours / best);
    }
    std::remove(out.c_str());

    // Peak memory of one load in a fresh process, beyond the touched fixed buffers.
    const std::string self = "/proc/self/exe";
    char exe[4096] = {};
    const ssize_t n = readlink(self.c_str(), exe, sizeof exe - 1);
    std::string cmd = std::string(n > 0 ? exe : argv[0]) + " --memory-child " + full;
    if (FILE* p = popen(cmd.c_str(), "r")) {
        long kib = -1;
        if (std::fscanf(p, "%ld", &kib) == 1)
            std::printf("peak memory beyond the fixed buffers: %.2f MiB (goal < %.0f MiB)\n", kib / 1024.0,
                        kMemoryGoalMiB);
        pclose(p);
    }
    std::remove(full.c_str());
    std::remove(cropped.c_str());
    return 0;
}
