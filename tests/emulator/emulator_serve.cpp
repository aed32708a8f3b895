// emulator_serve: serves one to four emulated programmer units on
// pseudo-terminals until interrupted, printing the port paths to open.
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "emulator/ProgrammerEmulator.h"

namespace {
constexpr int kMaxUnits = 4;
}

int main(int argc, char** argv)
{
    int units = 1;
    emu::TEmulatorConfig config;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--units" && i + 1 < argc) {
            units = std::atoi(argv[++i]);
        } else if (a == "--name" && i + 1 < argc) {
            config.name = argv[++i];
        } else {
            std::fprintf(stderr, "usage: %s [--units 1-4] [--name NAME]\n", argv[0]);
            return 2;
        }
    }
    if (units < 1 || units > kMaxUnits) units = 1;

    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &set, nullptr);  // the unit threads inherit the mask

    std::vector<std::unique_ptr<emu::TProgrammerEmulator>> list;
    for (int i = 0; i < units; ++i) {
        list.push_back(std::make_unique<emu::TProgrammerEmulator>(config));
        std::printf("%s\n", list.back()->Path().c_str());
    }
    std::fflush(stdout);
    int sig = 0;
    sigwait(&set, &sig);
    return 0;
}
