// The one poll that long core work reports its progress to and is broken off by.
#pragma once

#include <algorithm>
#include <cstdint>
#include <functional>

namespace vesperine {

// Called from the thread that does the work, now and then while it runs: done of total units
// of the step's own kind (bytes, windows, bits, passes; total 0 when the step cannot know its
// end). Returns true to break the work off; a step broken off says so in its result and
// returns without asking again.
using WorkPoll = std::function<bool(std::uint64_t done, std::uint64_t total)>;

// Work between two questions to the poll, for scans that pass over bytes: 1 MiB takes at most a
// few milliseconds for the slowest scan here (the block map's byte-value counts, about 5 ms on a
// busy two-core machine), far below the 0.1 s a person notices, and a thousand calls a GiB cost
// nothing beside the scan.
inline constexpr std::uint64_t kPollBytes = std::uint64_t{1} << 20;

// A poll as one step sees it. Keeps what it reports non-decreasing and within the total (so that
// passes that end early may report a later position and a pass that repeats ground may report an
// earlier one), asks the poll at every Tick (the caller ticks once per kPollBytes of work, or per
// unit of like cost), and once broken off stays so and asks no more. An empty poll is never asked
// and never breaks. Holds the poll by reference: the step's own parameter outlives it.
class WorkMeter {
public:
    WorkMeter(const WorkPoll& poll, std::uint64_t total) : poll_(poll ? &poll : nullptr), total_(total) {}

    // Reports done (clamped as said); true when the work is to stop.
    [[nodiscard]] bool Tick(std::uint64_t done) {
        if (broken_) return true;
        done_ = std::max(done_, total_ == 0 ? done : std::min(done, total_));
        broken_ = poll_ != nullptr && (*poll_)(done_, total_);
        return broken_;
    }

    [[nodiscard]] bool BrokenOff() const { return broken_; }
    [[nodiscard]] std::uint64_t Total() const { return total_; }

private:
    const WorkPoll* poll_;
    std::uint64_t total_;
    std::uint64_t done_ = 0;
    bool broken_ = false;
};

// One pass of a step metered as `width` units of the meter from `start`, whatever the pass's own
// length: a pass over n bytes reports byte i as start + i × width / n. A pass without a meter
// never breaks.
class PassMeter {
public:
    PassMeter() = default;
    PassMeter(WorkMeter* meter, std::uint64_t start, std::uint64_t width, std::uint64_t length)
        : meter_(meter), start_(start), width_(width), length_(length) {}

    // At position i of the pass's length; true when the work is to stop.
    [[nodiscard]] bool Tick(std::uint64_t i) const {
        if (meter_ == nullptr) return false;
        const std::uint64_t part = length_ == 0 ? width_ : Scale(std::min(i, length_));
        return meter_->Tick(start_ + part);
    }
    [[nodiscard]] bool BrokenOff() const { return meter_ != nullptr && meter_->BrokenOff(); }
    // A part of this pass, [from, to) of its length, as a pass of its own over length units.
    [[nodiscard]] PassMeter Part(std::uint64_t from, std::uint64_t to, std::uint64_t length) const {
        if (meter_ == nullptr) return {};
        const std::uint64_t a = length_ == 0 ? 0 : Scale(from);
        const std::uint64_t b = length_ == 0 ? width_ : Scale(to);
        return {meter_, start_ + a, b - a, length};
    }

private:
    // In floating point, where i × width cannot overflow; rounding keeps it monotonic in i, which
    // is all a progress bar needs.
    [[nodiscard]] std::uint64_t Scale(std::uint64_t i) const {
        const double scaled = static_cast<double>(i) / static_cast<double>(length_) * static_cast<double>(width_);
        return std::min(width_, static_cast<std::uint64_t>(scaled));
    }

    WorkMeter* meter_ = nullptr;
    std::uint64_t start_ = 0;
    std::uint64_t width_ = 0;
    std::uint64_t length_ = 0;
};

}  // namespace vesperine
