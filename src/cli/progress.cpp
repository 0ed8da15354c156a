// Terminal progress lines on standard error.
#include "cli/progress.h"

#include "platform/console.h"

namespace vesperine::cli {

TerminalProgress::TerminalProgress(std::string what, std::FILE* stream)
    : what_(std::move(what)),
      stream_(stream),
      enabled_(IsTerminal(stream)),
      started_(Clock::now()),
      lastShown_(started_) {}

TerminalProgress::~TerminalProgress() {
    if (shown_) std::fputs("\r\033[K", stream_);
}

bool TerminalProgress::operator()(std::uint64_t done, std::uint64_t total) {
    if (!enabled_) return false;
    const Clock::time_point now = Clock::now();
    if (now - started_ < std::chrono::seconds(1) || (shown_ && now - lastShown_ < std::chrono::milliseconds(200))) {
        return false;
    }
    lastShown_ = now;
    shown_ = true;
    if (total == 0) {
        std::fprintf(stream_, "\r\033[K%s: %s", what_.c_str(), WithThousands(done).c_str());
    } else {
        std::fprintf(stream_, "\r\033[K%s: %u %% (%s of %s)", what_.c_str(), static_cast<unsigned>(done * 100 / total),
                     WithThousands(done).c_str(), WithThousands(total).c_str());
    }
    std::fflush(stream_);
    return false;
}

}  // namespace vesperine::cli
