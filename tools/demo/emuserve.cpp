// emuserve: plays up to four programmer units on pseudo-terminals for the
// demonstration and the acceptance test, and records what each unit was asked.
//
// Prints one slave path per unit and then "ready". SIGUSR1 writes the record
// (one line per request: unit number and "code:argument" with a decimal
// argument, "A3" for identify; "error" lines for protocol violations). SIGTERM
// or SIGINT writes the record and, per unit, the first bytes of the chip's
// flash, then exits. The masters stay open until then.
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include <pthread.h>

#include "emulator/ProgrammerEmulator.h"

namespace {

constexpr int kMaxUnits = 4;
constexpr std::size_t kDefaultDumpBytes = 16384;

struct TOptions {
    int units = kMaxUnits;
    std::string record;       // request record file; empty: none
    std::string dumpPrefix;   // chip flash dumps <prefix><unit>.bin; empty: none
    std::size_t dumpBytes = kDefaultDumpBytes;
};

bool ParseArgs(int argc, char** argv, TOptions& opt)
{
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        const bool hasValue = i + 1 < argc;
        if (a == "--units" && hasValue) {
            opt.units = std::atoi(argv[++i]);
        } else if (a == "--record" && hasValue) {
            opt.record = argv[++i];
        } else if (a == "--dump" && hasValue) {
            opt.dumpPrefix = argv[++i];
        } else if (a == "--dump-bytes" && hasValue) {
            opt.dumpBytes = std::strtoul(argv[++i], nullptr, 0);
        } else {
            return false;
        }
    }
    return opt.units >= 1 && opt.units <= kMaxUnits;
}

void WriteRecord(const std::string& file,
                 const std::vector<std::unique_ptr<emu::TProgrammerEmulator>>& units)
{
    // Written aside and renamed, so a reader never sees half a record.
    const std::string part = file + ".part";
    {
        std::ofstream out(part, std::ios::trunc);
        for (std::size_t u = 0; u < units.size(); ++u) {
            for (const std::string& r : units[u]->RequestSummary()) out << u + 1 << ' ' << r << '\n';
            for (const std::string& e : units[u]->Errors()) out << u + 1 << " error " << e << '\n';
        }
    }
    std::rename(part.c_str(), file.c_str());
}

void WriteDumps(const TOptions& opt, const std::vector<std::unique_ptr<emu::TProgrammerEmulator>>& units)
{
    for (std::size_t u = 0; u < units.size(); ++u) {
        const emu::Bytes flash = units[u]->ChipFlash(0, opt.dumpBytes);
        std::ofstream out(opt.dumpPrefix + std::to_string(u + 1) + ".bin", std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(flash.data()), static_cast<std::streamsize>(flash.size()));
    }
}

}  // namespace

int main(int argc, char** argv)
{
    TOptions opt;
    if (!ParseArgs(argc, argv, opt)) {
        std::fprintf(stderr,
                     "usage: %s [--units 1-4] [--record FILE] [--dump PREFIX] [--dump-bytes N]\n",
                     argv[0]);
        return 2;
    }

    // Block the signals before the unit threads start, so they inherit the mask
    // and only sigwait below sees them.
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGUSR1);
    pthread_sigmask(SIG_BLOCK, &set, nullptr);

    std::vector<std::unique_ptr<emu::TProgrammerEmulator>> units;
    for (int i = 0; i < opt.units; ++i) {
        units.push_back(std::make_unique<emu::TProgrammerEmulator>());
        std::printf("%s\n", units.back()->Path().c_str());
    }
    std::printf("ready\n");
    std::fflush(stdout);

    int sig = 0;
    for (;;) {
        sigwait(&set, &sig);
        if (!opt.record.empty()) WriteRecord(opt.record, units);
        if (sig != SIGUSR1) break;
    }
    if (!opt.dumpPrefix.empty()) WriteDumps(opt, units);
    return 0;
}
