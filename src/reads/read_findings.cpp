// The findings of a comparison of reads: fixed sentences over the counts CompareReads made.
#include "reads/read_findings.h"

#include <algorithm>
#include <bit>

#include "base/format.h"

namespace vesperine::reads {
namespace {

[[nodiscard]] std::string Bits(std::uint64_t count) {
    return WithThousands(count) + (count == 1 ? " unstable bit" : " unstable bits");
}

[[nodiscard]] std::string AllOf(const ReadsComparison& c) {
    return c.unstableBits == 1 ? "the unstable bit" : "all " + Bits(c.unstableBits);
}

// The smallest aligned power-of-two block of bytes holding firstOffset and lastOffset.
struct Block {
    std::uint64_t start = 0;
    std::uint64_t size = 1;
};

[[nodiscard]] Block BlockOf(const ReadsComparison& c) {
    Block block;
    while (c.firstOffset / block.size != c.lastOffset / block.size) block.size *= 2;
    block.start = c.firstOffset / block.size * block.size;
    return block;
}

void AddOutliers(const ReadsComparison& c, std::vector<ReadsFinding>& findings) {
    if (c.readCount < 3) return;
    for (std::size_t r = 0; r < c.readCount; ++r) {
        const std::uint64_t alone = c.soleDissent[r];
        if (alone >= kMinOutlierBits && 2 * alone > c.unstableBits) {
            findings.push_back({ReadsFindingKind::Outlier, "read " + std::to_string(r + 1) +
                                                               " differs from the others in " + WithThousands(alone) +
                                                               " bits: reseat and read again"});
        }
    }
}

bool AddDataLine(const ReadsComparison& c, std::vector<ReadsFinding>& findings) {
    if (c.unstableBits < kMinLineBits) return false;
    const auto line = std::find(c.byDataLine.begin(), c.byDataLine.end(), c.unstableBits);
    if (line == c.byDataLine.end()) return false;
    findings.push_back(
        {ReadsFindingKind::DataLine,
         AllOf(c) + " are in D" + std::to_string(line - c.byDataLine.begin()) + ": one weak data line or contact"});
    return true;
}

bool AddRegion(const ReadsComparison& c, const Block& block, std::vector<ReadsFinding>& findings) {
    if (c.unstableWords < kMinRegionWords || 8 * block.size > c.length) return false;
    const int digits = static_cast<int>((std::bit_width(c.length - 1) + 3) / 4);
    findings.push_back({ReadsFindingKind::Region, AllOf(c) + " lie in " +
                                                      RangeText(block.start, block.start + block.size, digits) + " (" +
                                                      SizeText(block.size) + " of " + SizeText(c.length) +
                                                      "): weak cells in one block or sector"});
    return true;
}

// Address lines below the block's own lines: within a block the lines above it are constant anyway.
bool AddAddress(const ReadsComparison& c, const Block& block, bool inRegion, std::vector<ReadsFinding>& findings) {
    if (c.unstableWords < kMinAddressWords) return false;
    const unsigned below =
        inRegion ? std::min<unsigned>(c.addressBits, static_cast<unsigned>(std::countr_zero(block.size / c.width)))
                 : c.addressBits;
    std::string where;
    unsigned lines = 0;
    for (unsigned k = below; k-- > 0;) {
        const std::uint64_t ones = c.addressOnes[k];
        if (ones != 0 && ones != c.unstableBits) continue;
        where += (lines++ == 0 ? "" : " and ") + std::string("A") + std::to_string(k) + (ones == 0 ? " = 0" : " = 1");
    }
    if (lines == 0) return false;
    findings.push_back(
        {ReadsFindingKind::Address,
         AllOf(c) + " are where " + where +
             (lines == 1 ? ": a flaky address line" : ": flaky address lines, or a pattern of weak cells")});
    return true;
}

void AddDirection(const ReadsComparison& c, std::vector<ReadsFinding>& findings) {
    if (c.zeroToOne == 0 && c.oneToZero >= kMinDirectionBits) {
        findings.push_back({ReadsFindingKind::Fading,
                            "1 -> 0 only: every unstable bit reads 1 in most reads and 0 in the others: cells losing "
                            "charge, typical of a fading EPROM; keep the consensus and copy the chip soon"});
    } else if (c.oneToZero == 0 && c.zeroToOne >= kMinDirectionBits) {
        findings.push_back({ReadsFindingKind::Rising,
                            "0 -> 1 only: every unstable bit reads 0 in most reads and 1 in the others: a line "
                            "that floats high now and then (a weak output or a poor contact)"});
    }
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

std::vector<ReadsFinding> ExplainReads(const ReadsComparison& c) {
    std::vector<ReadsFinding> findings;
    if (c.Stable()) {
        const std::string reads = c.readCount == 2 ? "both reads" : "all " + std::to_string(c.readCount) + " reads";
        findings.push_back({ReadsFindingKind::Stable, reads + " agree in every bit: the reads are stable"});
        return findings;
    }
    AddOutliers(c, findings);
    const bool outlier = !findings.empty();
    const Block block = BlockOf(c);
    const bool onLine = AddDataLine(c, findings);
    const bool inRegion = AddRegion(c, block, findings);
    const bool onAddress = AddAddress(c, block, inRegion, findings);
    if (!outlier && !onLine && !inRegion && !onAddress) {
        findings.push_back({ReadsFindingKind::Scattered, Bits(c.unstableBits) +
                                                             (c.unstableBits == 1 ? " follows" : " follow") +
                                                             " no data line, address line or block: scattered weak "
                                                             "cells or noise on the reader"});
    }
    AddDirection(c, findings);
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
