// The findings of a comparison of reads: fixed sentences over the groups that account for its unstable bits.
#include "reads/read_findings.h"

#include <algorithm>
#include <bit>

#include "base/format.h"

namespace vesperine::reads {
namespace {

[[nodiscard]] std::string Bits(std::uint64_t count) {
    return WithThousands(count) + (count == 1 ? " unstable bit" : " unstable bits");
}

[[nodiscard]] std::string ReadText(std::uint32_t read) { return "read " + WithThousands(std::uint64_t{read} + 1); }

// How a finding names its group's bits: the first finding of a group counts them against the
// bits it was judged on, the others refer back.
struct Subject {
    std::string text;
    bool whole = false;  // every unstable bit of the comparison
};

[[nodiscard]] Subject FirstSubject(const ReadsComparison& c, const ReadsGroup& group, bool firstGroup) {
    if (firstGroup && group.bits == c.unstableBits) return {"all " + Bits(group.bits), true};
    if (firstGroup) return {WithThousands(group.bits) + " of the " + Bits(c.unstableBits), false};
    return {"of the other " + WithThousands(group.from) + " bits, " + (group.bits == group.from ? "all " : "") +
                WithThousands(group.bits),
            false};
}

[[nodiscard]] std::string AddressText(const ReadsComparison& c, const ReadsPattern& p) {
    std::string where;
    unsigned lines = 0;
    for (unsigned k = c.addressBits; k-- > 0;) {
        if (((p.addressMask >> k) & 1u) == 0) continue;
        where += (lines++ == 0 ? "" : " and ") + std::string("A") + std::to_string(k) +
                 ((p.addressValues >> k) & 1u ? " = 1" : " = 0");
    }
    return " are where " + where +
           (lines == 1 ? ": a flaky address line" : ": flaky address lines, or a pattern of weak cells");
}

[[nodiscard]] std::string PatternText(const ReadsComparison& c, const ReadsPattern& p, const Subject& s) {
    switch (p.kind) {
        case PatternKind::Outlier:
            return s.text + " differ in " + ReadText(p.read) +
                   " alone, the other reads agreeing: reseat and read again";
        case PatternKind::DataLine:
            return s.text + " are in D" + std::to_string(p.line) + ": one weak data line or contact";
        case PatternKind::Region: {
            const auto digits = static_cast<unsigned>((std::bit_width(c.length - 1) + 3) / 4);
            return s.text + " lie in " + RangeText(p.blockStart, p.blockStart + p.blockSize, digits) + " (" +
                   SizeText(p.blockSize) + " of " + SizeText(c.length) + "): weak cells in one block or sector";
        }
        case PatternKind::Address: return s.text + AddressText(c, p);
        case PatternKind::Fading:
            return (s.whole ? std::string("1 -> 0 only: every unstable bit reads") : "1 -> 0: " + s.text + " read") +
                   " 1 in most reads and 0 in the others: cells losing charge, typical of a fading EPROM; keep the "
                   "consensus and copy the chip soon";
        case PatternKind::Rising:
            return (s.whole ? std::string("0 -> 1 only: every unstable bit reads") : "0 -> 1: " + s.text + " read") +
                   " 0 in most reads and 1 in the others: a line that floats high now and then (a weak output or a "
                   "poor contact)";
    }
    return "";
}

[[nodiscard]] ReadsFindingKind KindOf(PatternKind kind) {
    switch (kind) {
        case PatternKind::Outlier: return ReadsFindingKind::Outlier;
        case PatternKind::DataLine: return ReadsFindingKind::DataLine;
        case PatternKind::Region: return ReadsFindingKind::Region;
        case PatternKind::Address: return ReadsFindingKind::Address;
        case PatternKind::Fading: return ReadsFindingKind::Fading;
        case PatternKind::Rising: return ReadsFindingKind::Rising;
    }
    return ReadsFindingKind::Scattered;
}

[[nodiscard]] bool Spread(PatternKind kind) { return kind != PatternKind::Fading && kind != PatternKind::Rising; }

constexpr const char* kNoise = "scattered weak cells or noise on the reader";

void AddGroup(const ReadsComparison& c, const ReadsGroup& group, unsigned number, std::vector<ReadsFinding>& out) {
    const Subject first = FirstSubject(c, group, number == 1);
    const Subject next{"those " + WithThousands(group.bits) + " bits", number == 1 && group.bits == c.unstableBits};
    for (std::size_t k = 0; k < group.patterns.size(); ++k) {
        out.push_back({KindOf(group.patterns[k].kind), PatternText(c, group.patterns[k], k == 0 ? first : next), number,
                       group.bits});
    }
    if (std::none_of(group.patterns.begin(), group.patterns.end(),
                     [](const ReadsPattern& p) { return Spread(p.kind); })) {
        out.push_back({ReadsFindingKind::Scattered,
                       next.text + " follow no data line, address line or block: " + kNoise, number, group.bits});
    }
}

[[nodiscard]] std::string RestText(const ReadsComparison& c, const ReadsAccount& account) {
    const std::uint64_t n = account.rest;
    if (account.groups.empty()) {
        return Bits(n) + (n == 1 ? " follows" : " follow") + " no data line, address line or block: " + kNoise;
    }
    std::string text = "and " + WithThousands(n) + (n == 1 ? " bit" : " bits") + " elsewhere";
    if (!account.bitByBit) {
        return text + " not looked at one by one (more than " + WithThousands(kListedBitsLimit) +
               " unstable bits: only the pattern that explains the most is named)";
    }
    for (std::size_t k = 0; k < account.restListed.size(); ++k) {
        text += (k == 0 ? ", at " : ", ") + BitText(account.restListed[k], c.length);
        if (account.restLoneReads[k] != kNoLoneRead && c.readCount >= 3)
            text += " (" + ReadText(account.restLoneReads[k]) + " alone)";
    }
    return text +
           (n == 1                       ? ", follows"
            : account.restListed.empty() ? " follow"
                                         : ", follow") +
           " none of these patterns: " + kNoise;
}

void AddTies(const ReadsComparison& c, std::vector<ReadsFinding>& findings) {
    if (c.ties == 0) return;
    const std::string text =
        c.readCount == 2 ? "with two reads every unstable bit is a tie: the consensus keeps read 1's value; a third "
                           "read would decide them"
                         : WithThousands(c.ties) + (c.ties == 1 ? " tie" : " ties") +
                               " (as many reads say 1 as 0): the consensus keeps read 1's value there; one more "
                               "read would decide them";
    findings.push_back({ReadsFindingKind::Ties, text});
}

}  // namespace

std::string BitText(std::uint64_t bitIndex, std::uint64_t length) {
    const unsigned digits = std::max(5u, static_cast<unsigned>((std::bit_width(length - 1) + 3) / 4));
    return "offset " + HexText(OffsetOf(bitIndex), digits) + " bit " + std::to_string(BitOf(bitIndex));
}
std::vector<ReadsFinding> ExplainReads(const ReadsComparison& c) { return *ExplainReads(c, nullptr); }

std::optional<std::vector<ReadsFinding>> ExplainReads(const ReadsComparison& c, const WorkPoll& poll) {
    std::vector<ReadsFinding> findings;
    if (c.Stable()) {
        const std::string reads = c.readCount == 2 ? "both reads" : "all " + std::to_string(c.readCount) + " reads";
        findings.push_back({ReadsFindingKind::Stable, reads + " agree in every bit: the reads are stable"});
        return findings;
    }
    const std::optional<ReadsAccount> metered = AccountForBits(c, poll);
    if (!metered) return std::nullopt;
    const ReadsAccount& account = *metered;
    unsigned number = 0;
    for (const ReadsGroup& group : account.groups) AddGroup(c, group, ++number, findings);
    if (account.rest > 0)
        findings.push_back({ReadsFindingKind::Scattered, RestText(c, account), ++number, account.rest});
    AddTies(c, findings);
    return findings;
}

const char* ReadsFindingName(ReadsFindingKind kind) {
    switch (kind) {
        case ReadsFindingKind::Stable: return "stable";
        case ReadsFindingKind::Outlier: return "outlier";
        case ReadsFindingKind::DataLine: return "data-line";
        case ReadsFindingKind::Address: return "address";
        case ReadsFindingKind::Region: return "region";
        case ReadsFindingKind::Fading: return "fading";
        case ReadsFindingKind::Rising: return "rising";
        case ReadsFindingKind::Ties: return "ties";
        case ReadsFindingKind::Scattered: return "scattered";
    }
    return "";
}

}  // namespace vesperine::reads
