// Small helpers shared by the end-to-end link tests.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "link/LinkRig.h"

// Requests as "code:arg"; the configuration and end-of-download packets,
// whose argument is a seed or a name, and the identify request by code only.
inline std::vector<std::string> Wire(emu::TProgrammerEmulator& unit, bool withIdentify = false)
{
    std::vector<std::string> out;
    char text[32];
    for (const emu::TRequest& r : unit.Requests()) {
        if (r.code == emu::kCmdIdentify) {
            if (withIdentify) out.push_back("A3");
            continue;
        }
        if (r.code == emu::kCmdConfig || r.code == emu::kCmdRestx)
            std::snprintf(text, sizeof text, "%02X", r.code);
        else
            std::snprintf(text, sizeof text, "%02X:%u", r.code, static_cast<unsigned>(r.arg));
        out.push_back(text);
    }
    return out;
}

// The lines of one channel with the given prefix word ("芯片" or "编程器"),
// prefix and channel digit stripped.
inline std::vector<std::string> ChannelLines(const TRigLog& log, const std::string& word, int channel)
{
    const std::string prefix = word + std::to_string(channel + 1) + " ：";
    std::vector<std::string> out;
    for (const std::string& l : log.With(prefix)) out.push_back(l.substr(prefix.size()));
    return out;
}

inline std::vector<std::uint8_t> Bytes(const std::uint8_t* p, std::size_t n) { return {p, p + n}; }

// A rig with n units, all found on channels 1..n.
inline std::vector<emu::TEmulatorConfig> Units(int n)
{
    return std::vector<emu::TEmulatorConfig>(static_cast<std::size_t>(n));
}
