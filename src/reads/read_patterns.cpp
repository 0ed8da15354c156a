// The composition of patterns over the listed unstable bits, a group at a time, and its fallback on the counts.
#include "reads/read_patterns.h"

#include <algorithm>
#include <array>
#include <bit>
#include <iterator>
#include <numeric>
#include <optional>

namespace vesperine::reads {
namespace {

// At least kExplainedPercent of n, rounded up.
[[nodiscard]] std::uint64_t Needed(std::uint64_t n) { return n - n * (100 - kExplainedPercent) / 100; }

[[nodiscard]] std::uint64_t WordOf(const ReadsComparison& c, std::uint64_t bit) { return OffsetOf(bit) / c.width; }

[[nodiscard]] unsigned LineOf(const ReadsComparison& c, std::uint64_t bit) {
    return BitOf(bit) + (c.width == 2 && OffsetOf(bit) % 2 != 0 ? 8u : 0u);
}

// How many word addresses below n have line k set.
[[nodiscard]] std::uint64_t WordsWithLineSet(std::uint64_t n, unsigned k) {
    const std::uint64_t period = std::uint64_t{2} << k, half = std::uint64_t{1} << k;
    return n / period * half + (n % period > half ? n % period - half : 0);
}

// Whether Ak = value holds on at most half the words from low to high (exclusive): only then
// do bits gathered there say something of the line. A read whose length is not a power of
// two has its top line 0 in most words, and bits spread evenly would otherwise name it.
[[nodiscard]] bool Concentrated(std::uint64_t low, std::uint64_t high, unsigned k, bool value) {
    const std::uint64_t set = WordsWithLineSet(high, k) - WordsWithLineSet(low, k);
    return 2 * (value ? set : high - low - set) <= high - low;
}

// The most patterns a group can choose, one of each kind, and the choice that finds none.
constexpr std::uint64_t kChoicesPerGroup = 7;

// Positions in the comparison's lists: the bits a group is judged on, ascending.
using Members = std::vector<std::uint32_t>;

struct Candidate {
    ReadsPattern pattern;
    std::uint64_t bits = 0;
};

class GroupBuilder {
public:
    GroupBuilder(const ReadsComparison& c, Members members)
        : c_(c), members_(std::move(members)), need_(Needed(members_.size())) {}

    // The meter is ticked before each pattern is chosen, with the number chosen so far: each
    // choice is a few passes over the members.
    [[nodiscard]] ReadsGroup Build(const PassMeter& meter) {
        ReadsGroup group;
        group.from = members_.size();
        for (std::uint64_t chosen = 0; !meter.Tick(chosen); ++chosen) {
            const std::optional<Candidate> next = Next();
            if (!next) break;
            Narrow(next->pattern);
            if (next->pattern.kind == PatternKind::Address && address_) {
                address_->addressMask |= next->pattern.addressMask;
                address_->addressValues |= next->pattern.addressValues;
            } else {
                group.patterns.push_back(next->pattern);
                if (next->pattern.kind == PatternKind::Address) address_ = next->pattern;
                if (next->pattern.kind == PatternKind::Region) region_ = next->pattern;
            }
            used_[static_cast<std::size_t>(next->pattern.kind)] = true;
        }
        for (ReadsPattern& p : group.patterns) {
            if (p.kind == PatternKind::Address && address_) p = *address_;
        }
        group.bits = group.patterns.empty() ? 0 : members_.size();
        return group;
    }

    [[nodiscard]] const Members& members() const { return members_; }

private:
    [[nodiscard]] std::uint64_t Bit(std::uint32_t m) const { return c_.unstable[m]; }

    [[nodiscard]] bool Worth(std::uint64_t bits, std::uint64_t least) const { return bits >= need_ && bits >= least; }

    // The strongest spread pattern, else the strongest direction; none when nothing holds on enough.
    [[nodiscard]] std::optional<Candidate> Next() const {
        std::optional<Candidate> best;
        const auto consider = [&best](const std::optional<Candidate>& candidate) {
            if (candidate && (!best || candidate->bits > best->bits)) best = candidate;
        };
        consider(BestOutlier());
        consider(BestLine());
        const std::optional<Candidate> region = BestRegion();
        consider(region);
        if (!region) consider(BestAddress());
        if (!best) best = BestDirection();
        return best;
    }

    [[nodiscard]] bool Used(PatternKind kind) const { return used_[static_cast<std::size_t>(kind)]; }

    [[nodiscard]] std::optional<Candidate> BestOutlier() const {
        if (c_.readCount < 3 || Used(PatternKind::Outlier)) return std::nullopt;
        std::vector<std::uint64_t> alone(c_.readCount);
        for (const std::uint32_t m : members_) {
            if (c_.shapes[m].loneRead != kNoLoneRead) ++alone[c_.shapes[m].loneRead];
        }
        const auto most = std::max_element(alone.begin(), alone.end());
        if (!Worth(*most, kMinOutlierBits)) return std::nullopt;
        ReadsPattern p{.kind = PatternKind::Outlier};
        p.read = static_cast<std::uint32_t>(most - alone.begin());
        return Candidate{p, *most};
    }

    [[nodiscard]] std::optional<Candidate> BestLine() const {
        if (Used(PatternKind::DataLine)) return std::nullopt;
        std::array<std::uint64_t, 16> lines{};
        for (const std::uint32_t m : members_) ++lines[LineOf(c_, Bit(m))];
        const auto most = std::max_element(lines.begin(), lines.end());
        if (!Worth(*most, kMinLineBits)) return std::nullopt;
        ReadsPattern p{.kind = PatternKind::DataLine};
        p.line = static_cast<unsigned>(most - lines.begin());
        return Candidate{p, *most};
    }

    // The aligned block of size bytes holding the most members: its start and their count.
    [[nodiscard]] std::pair<std::uint64_t, std::uint64_t> FullestBlock(std::uint64_t size) const {
        std::pair<std::uint64_t, std::uint64_t> best{0, 0};
        std::uint64_t block = 0, run = 0;
        for (const std::uint32_t m : members_) {
            const std::uint64_t b = OffsetOf(Bit(m)) / size;
            run = (run != 0 && b == block) ? run + 1 : 1;
            block = b;
            if (run > best.second) best = {b * size, run};
        }
        return best;
    }

    [[nodiscard]] std::uint64_t WordsWhere(const ReadsPattern& p) const {
        std::uint64_t words = 0;
        std::optional<std::uint64_t> last;
        for (const std::uint32_t m : members_) {
            if (!PatternHolds(p, c_, Bit(m), c_.shapes[m])) continue;
            const std::uint64_t word = WordOf(c_, Bit(m));
            if (last != word) ++words;
            last = word;
        }
        return words;
    }

    // The smallest block that holds enough: the fullest block of a size only grows with the
    // size, so the sizes are searched by halving.
    [[nodiscard]] std::optional<Candidate> BestRegion() const {
        if (Used(PatternKind::Region) || Used(PatternKind::Address) || c_.length < 8) return std::nullopt;
        unsigned low = 0, high = static_cast<unsigned>(std::bit_width(c_.length / 8)) - 1;
        if (FullestBlock(std::uint64_t{1} << high).second < need_) return std::nullopt;
        while (low < high) {
            const unsigned mid = (low + high) / 2;
            if (FullestBlock(std::uint64_t{1} << mid).second >= need_) {
                high = mid;
            } else {
                low = mid + 1;
            }
        }
        const auto [start, bits] = FullestBlock(std::uint64_t{1} << low);
        ReadsPattern p{.kind = PatternKind::Region};
        p.blockStart = start;
        p.blockSize = std::uint64_t{1} << low;
        if (!Worth(bits, 0) || WordsWhere(p) < kMinRegionWords) return std::nullopt;
        return Candidate{p, bits};
    }

    // One more address line, among those that vary within the region when there is one.
    [[nodiscard]] std::optional<Candidate> BestAddress() const {
        unsigned lines = c_.addressBits;
        if (region_) {
            const std::uint64_t words = region_->blockSize / c_.width;
            lines = words == 0 ? 0 : std::min<unsigned>(lines, static_cast<unsigned>(std::countr_zero(words)));
        }
        const std::uint32_t taken = address_ ? address_->addressMask : 0;
        std::array<std::uint64_t, 32> ones{};
        for (const std::uint32_t m : members_) {
            const std::uint64_t word = WordOf(c_, Bit(m));
            for (unsigned k = 0; k < lines; ++k) ones[k] += (word >> k) & 1u;
        }
        const std::uint64_t words = (c_.length + c_.width - 1) / c_.width;
        const std::uint64_t low = region_ ? region_->blockStart / c_.width : 0;
        const std::uint64_t high =
            region_ ? std::min(words, (region_->blockStart + region_->blockSize) / c_.width) : words;
        std::optional<Candidate> best;
        for (unsigned k = lines; k-- > 0;) {
            if ((taken >> k) & 1u) continue;
            for (const std::uint64_t value : {0u, 1u}) {
                const std::uint64_t bits = value == 1 ? ones[k] : members_.size() - ones[k];
                if (best && bits <= best->bits) continue;
                if (!Concentrated(low, high, k, value == 1)) continue;
                ReadsPattern p{.kind = PatternKind::Address};
                p.addressMask = std::uint32_t{1} << k;
                p.addressValues = static_cast<std::uint32_t>(value << k);
                best = Candidate{p, bits};
            }
        }
        if (!best || !Worth(best->bits, 0)) return std::nullopt;
        // The lines named together: their words are counted as the group will be.
        ReadsPattern together = best->pattern;
        if (address_) {
            together.addressMask |= address_->addressMask;
            together.addressValues |= address_->addressValues;
        }
        if (WordsWhere(together) < kMinAddressWords) return std::nullopt;
        return best;
    }

    [[nodiscard]] std::optional<Candidate> BestDirection() const {
        if (Used(PatternKind::Fading) || Used(PatternKind::Rising)) return std::nullopt;
        std::uint64_t down = 0, up = 0;
        for (const std::uint32_t m : members_) {
            down += c_.shapes[m].direction == BitDirection::OneToZero;
            up += c_.shapes[m].direction == BitDirection::ZeroToOne;
        }
        const PatternKind kind = down >= up ? PatternKind::Fading : PatternKind::Rising;
        const std::uint64_t bits = std::max(down, up);
        if (!Worth(bits, kMinDirectionBits)) return std::nullopt;
        return Candidate{ReadsPattern{.kind = kind}, bits};
    }

    void Narrow(const ReadsPattern& p) {
        std::erase_if(members_, [&](std::uint32_t m) { return !PatternHolds(p, c_, Bit(m), c_.shapes[m]); });
    }

    const ReadsComparison& c_;
    Members members_;
    std::uint64_t need_;
    std::array<bool, 6> used_{};
    std::optional<ReadsPattern> region_;
    std::optional<ReadsPattern> address_;
};

// Lists too long to keep: each pattern's count is exact, their overlaps are not known, except
// that a pattern holding on every bit overlaps any other in all of the other's bits. So the
// group takes, in the order of the composition, the patterns that hold on every bit, and then
// at most one that holds on fewer: its bits are the group's.
[[nodiscard]] ReadsAccount AccountFromCounts(const ReadsComparison& c) {
    ReadsAccount account;
    account.bitByBit = false;
    const std::uint64_t all = c.unstableBits, need = Needed(all);
    std::vector<Candidate> spread, direction;
    const auto consider = [&](std::vector<Candidate>& to, const ReadsPattern& p, std::uint64_t bits,
                              std::uint64_t least) {
        if (bits >= need && bits >= least) to.push_back({p, bits});
    };
    for (std::size_t r = 0; c.readCount >= 3 && r < c.readCount && r < kNoLoneRead; ++r) {
        ReadsPattern p{.kind = PatternKind::Outlier};
        p.read = static_cast<std::uint32_t>(r);
        consider(spread, p, c.soleDissent[r], kMinOutlierBits);
    }
    for (unsigned k = 0; k < 8 * c.width; ++k) {
        ReadsPattern p{.kind = PatternKind::DataLine};
        p.line = k;
        consider(spread, p, c.byDataLine[k], kMinLineBits);
    }
    // The smallest aligned block holding the first and the last unstable byte holds them all.
    std::uint64_t size = 1;
    while (c.firstOffset / size != c.lastOffset / size) size *= 2;
    unsigned lines = c.addressBits;
    const std::uint64_t words = (c.length + c.width - 1) / c.width;
    std::uint64_t low = 0, high = words;
    if (8 * size <= c.length) {
        ReadsPattern p{.kind = PatternKind::Region};
        p.blockStart = c.firstOffset / size * size;
        p.blockSize = size;
        consider(spread, p, all, kMinRegionWords);
        lines = size < c.width ? 0 : std::min<unsigned>(lines, static_cast<unsigned>(std::countr_zero(size / c.width)));
        low = p.blockStart / c.width;
        high = std::min(words, (p.blockStart + size) / c.width);
    }
    // Every word holds at most 16 unstable bits, so this many bits fill enough words.
    for (unsigned k = lines; k-- > 0;) {
        for (const std::uint32_t value : {0u, 1u}) {
            if (!Concentrated(low, high, k, value == 1)) continue;
            ReadsPattern p{.kind = PatternKind::Address};
            p.addressMask = std::uint32_t{1} << k;
            p.addressValues = value << k;
            consider(spread, p, value == 1 ? c.addressOnes[k] : all - c.addressOnes[k], 16 * kMinAddressWords);
        }
    }
    consider(direction, ReadsPattern{.kind = PatternKind::Fading}, c.oneToZero, kMinDirectionBits);
    consider(direction, ReadsPattern{.kind = PatternKind::Rising}, c.zeroToOne, kMinDirectionBits);
    const auto byBits = [](const Candidate& a, const Candidate& b) { return a.bits > b.bits; };
    std::stable_sort(spread.begin(), spread.end(), byBits);
    std::stable_sort(direction.begin(), direction.end(), byBits);
    spread.insert(spread.end(), direction.begin(), direction.end());

    ReadsGroup group{{}, all, all};
    std::array<bool, 6> used{};
    for (const Candidate& candidate : spread) {
        const PatternKind kind = candidate.pattern.kind;
        const bool more = kind == PatternKind::Address && used[static_cast<std::size_t>(kind)];
        if (used[static_cast<std::size_t>(kind)] && !(more && candidate.bits == all)) continue;
        if (more) {
            for (ReadsPattern& p : group.patterns) {
                if (p.kind != PatternKind::Address) continue;
                p.addressMask |= candidate.pattern.addressMask;
                p.addressValues |= candidate.pattern.addressValues;
            }
        } else {
            group.patterns.push_back(candidate.pattern);
        }
        used[static_cast<std::size_t>(kind)] = true;
        if (kind == PatternKind::Fading || kind == PatternKind::Rising)
            used[static_cast<std::size_t>(PatternKind::Fading)] = used[static_cast<std::size_t>(PatternKind::Rising)] =
                true;
        if (candidate.bits < all) {
            group.bits = candidate.bits;
            break;
        }
    }
    if (!group.patterns.empty()) account.groups.push_back(group);
    account.rest = all - (group.patterns.empty() ? 0 : group.bits);
    return account;
}

}  // namespace

bool PatternHolds(const ReadsPattern& p, const ReadsComparison& c, std::uint64_t bit, UnstableShape shape) {
    switch (p.kind) {
        case PatternKind::Outlier: return shape.loneRead == p.read;
        case PatternKind::DataLine: return LineOf(c, bit) == p.line;
        case PatternKind::Region: return OffsetOf(bit) >= p.blockStart && OffsetOf(bit) - p.blockStart < p.blockSize;
        case PatternKind::Address: return (WordOf(c, bit) & p.addressMask) == p.addressValues;
        case PatternKind::Fading: return shape.direction == BitDirection::OneToZero;
        case PatternKind::Rising: return shape.direction == BitDirection::ZeroToOne;
    }
    return false;
}

ReadsAccount AccountForBits(const ReadsComparison& c) { return *AccountForBits(c, nullptr); }

std::optional<ReadsAccount> AccountForBits(const ReadsComparison& c, const WorkPoll& poll) {
    if (!c.ListsComplete()) return AccountFromCounts(c);
    WorkMeter meter(poll, kMostGroups * kChoicesPerGroup);
    ReadsAccount account;
    Members left(c.unstable.size());
    std::iota(left.begin(), left.end(), 0u);
    while (!left.empty() && account.groups.size() < kMostGroups) {
        GroupBuilder builder(c, left);
        const std::uint64_t first = account.groups.size() * kChoicesPerGroup;
        ReadsGroup group = builder.Build(PassMeter(&meter, first, kChoicesPerGroup, kChoicesPerGroup));
        if (meter.BrokenOff()) return std::nullopt;
        if (group.patterns.empty()) break;
        Members rest;
        std::set_difference(left.begin(), left.end(), builder.members().begin(), builder.members().end(),
                            std::back_inserter(rest));
        left = std::move(rest);
        account.groups.push_back(std::move(group));
    }
    account.rest = left.size();
    if (left.size() <= kListedRest) {
        for (const std::uint32_t m : left) {
            account.restListed.push_back(c.unstable[m]);
            account.restLoneReads.push_back(c.shapes[m].loneRead);
        }
    }
    return account;
}

}  // namespace vesperine::reads
