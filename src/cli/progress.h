// Progress of long work on standard error, only for a person watching a terminal.
#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>

#include "base/format.h"

namespace vesperine::cli {

// Prints "\r<what>: 27 % (12,345,678 of 45,000,000)" to stderr when stderr is a terminal and
// the work has run for more than a second, at most a few times a second, and clears the line
// when it is destroyed. Silent in pipes, files and CI logs. operator() fits the core's poll
// signature and never asks to break (a terminal user breaks with Ctrl+C).
class TerminalProgress {
public:
    explicit TerminalProgress(std::string what, std::FILE* stream = stderr);
    ~TerminalProgress();
    TerminalProgress(const TerminalProgress&) = delete;
    TerminalProgress& operator=(const TerminalProgress&) = delete;

    bool operator()(std::uint64_t done, std::uint64_t total);

private:
    using Clock = std::chrono::steady_clock;
    std::string what_;
    std::FILE* stream_;
    bool enabled_;
    bool shown_ = false;
    Clock::time_point started_;
    Clock::time_point lastShown_;
};

}  // namespace vesperine::cli
