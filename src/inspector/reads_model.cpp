// The Reads panel's model: sentences and rows of a comparison of reads, and the checked outcome of a mend by CRC.
#include "inspector/reads_model.h"

#include <algorithm>

#include "base/crc32.h"
#include "base/format.h"
#include "reads/read_findings.h"

namespace vesperine::inspector {

std::optional<std::uint32_t> ParseExpectedCrc(std::string_view text) {
    std::string digits;
    for (const char c : text)
        if (c != ' ' && c != '\t') digits.push_back(c);
    if (digits.size() >= 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X')) digits.erase(0, 2);
    if (digits.size() != 8) return std::nullopt;
    // Digit by digit: a library parse would also take a sign or a second "0x".
    static constexpr std::string_view kDigits = "0123456789abcdef";
    std::uint32_t value = 0;
    for (const char c : digits) {
        const char lower = c >= 'A' && c <= 'F' ? static_cast<char>(c - 'A' + 'a') : c;
        const std::size_t digit = kDigits.find(lower);
        if (digit == std::string_view::npos) return std::nullopt;
        value = value << 4 | static_cast<std::uint32_t>(digit);
    }
    return value;
}

std::string BadExpectedCrc(std::string_view text) {
    return "Expected CRC-32 \"" + std::string(text) +
           "\" is not 8 hex digits: write it as a DAT or a label gives it (44D56F86, 0x44d56f86 or 44D5 6F86). "
           "Nothing mended.";
}

std::string DumpItselfRefusal(std::string_view name) {
    return std::string(name) +
           " is the inspected dump itself (a link or another name of it): a read must be a read of "
           "its own.";
}

std::string AlreadyReadRefusal(std::string_view name, std::uint64_t number, std::string_view otherName) {
    return std::string(name) + " is read " + std::to_string(number) + " already (" + std::string(otherName) +
           "): a read must be a read of its own.";
}

std::string ReadListItem(std::uint64_t number, std::string_view name) {
    return "read " + std::to_string(number) + ": " + std::string(name);
}

std::string ReadsPrompt() {
    return "Add one or more further reads of the same chip to compare them bit by bit with the one inspected.";
}

std::string LengthMismatch(std::string_view readName, std::uint64_t readLength, std::uint64_t dumpLength) {
    return std::string(readName) + " has " + Counted(readLength, "byte", "bytes") + ", the inspected dump " +
           Counted(dumpLength, "byte", "bytes") + ": reads of one chip have one length.";
}

std::string ReadsSummary(const reads::ReadsComparison& c) {
    const bool bytes = c.width == 1;
    return Grouped(c.readCount) + " reads of " + Counted(c.length, "byte", "bytes") +
           " (read 1 is the inspected dump): " + Counted(c.unstableBits, "unstable bit", "unstable bits") + " in " +
           (bytes ? Counted(c.unstableWords, "byte", "bytes") : Counted(c.unstableWords, "word", "words")) + ", " +
           Grouped(c.ties) + " tied.";
}

Rows ReadsFindingRows(const reads::ReadsComparison& c) {
    Rows rows;
    for (const reads::ReadsFinding& finding : reads::ExplainReads(c))
        rows.push_back({reads::ReadsFindingName(finding.kind), finding.text});
    return rows;
}

std::vector<std::uint64_t> UnstableOffsets(const reads::ReadsComparison& c) {
    std::vector<std::uint64_t> offsets;
    for (const std::uint64_t bit : c.unstable)
        if (offsets.empty() || offsets.back() != reads::OffsetOf(bit)) offsets.push_back(reads::OffsetOf(bit));
    return offsets;
}

BitsTable UnstableBitsTable(const reads::ReadsComparison* c, std::span<const std::span<const std::uint8_t>> reads,
                            bool jumps) {
    BitsTable table;
    table.headings = {"Offset", "Bit"};
    for (std::size_t r = 0; c && r < c->readCount; ++r) table.headings.push_back("Read " + std::to_string(r + 1));
    table.headings.push_back("Majority");
    if (!c || c->Stable()) {
        table.label = c ? "U&nstable bits: none, the reads agree in every bit." : "U&nstable bits: none compared yet.";
        return table;
    }
    const std::size_t shown = std::min<std::size_t>(c->unstable.size(), kShownBitsLimit);
    table.rows.reserve(shown);
    for (std::size_t k = 0; k < shown; ++k) {
        const std::uint64_t bit = c->unstable[k];
        const std::uint64_t offset = reads::OffsetOf(bit);
        const unsigned b = reads::BitOf(bit);
        // A 16-bit chip's odd bytes carry its high data lines D8-D15.
        const unsigned line = c->width == 2 && offset % 2 == 1 ? b + 8 : b;
        Row row{HexText(offset, 8), std::to_string(b) + " (D" + std::to_string(line) + ")"};
        for (const std::span<const std::uint8_t> read : reads) row.push_back(std::to_string(read[offset] >> b & 1u));
        const unsigned majority = c->consensus[offset] >> b & 1u;
        row.push_back(c->shapes[k].direction == reads::BitDirection::Tie
                          ? "tie: " + std::to_string(majority) + ", as read 1"
                          : std::to_string(majority));
        table.rows.push_back(std::move(row));
        table.offsets.push_back(offset);
    }
    table.label = shown < c->unstableBits ? "U&nstable bits: the first " + Grouped(shown) + " of " +
                                                Grouped(c->unstableBits) + " are listed"
                                          : "U&nstable bits: all " + Grouped(shown) + " listed";
    if (c->unstable.size() < c->unstableBits)
        table.label += " (the comparison keeps at most " + Grouped(reads::kListedBitsLimit) + ")";
    table.label += jumps ? "; click a row or press Enter to show it in the dialog's dump." : ".";
    return table;
}

MendReport ReportMend(std::span<const std::uint8_t> consensus, const reads::MendResult& mended,
                      std::uint32_t expected) {
    MendReport report;
    switch (mended.outcome) {
        case reads::MendOutcome::NoAssignment:
            report.text = "No values of the " + Counted(mended.unknowns, "unstable bit", "unstable bits") +
                          " give CRC-32 " + Hex8(expected) +
                          ": the error lies elsewhere, or the expected CRC is for another dump.";
            return report;
        case reads::MendOutcome::Ambiguous:
            report.text =
                (mended.freeBits > 62 ? std::string("Too many") : Grouped(std::uint64_t{1} << mended.freeBits)) +
                " ways to set the unstable bits give that CRC-32 (2^" + std::to_string(mended.freeBits) +
                "): read the chip again to narrow them.";
            return report;
        case reads::MendOutcome::Unique: break;
    }
    const reads::Flips& flips = mended.assignments.front();
    ByteBuffer fixed = reads::ApplyAssignment(consensus, flips);
    // Verify before claiming, as the command line does: the bytes about to be saved carry the CRC.
    const std::uint32_t got = Crc32(std::span<const std::uint8_t>(fixed.data(), fixed.size()));
    if (got != expected) {
        report.text = "The mended image's CRC-32 is " + Hex8(got) + ", not " + Hex8(expected) +
                      ": nothing saved (an error in Vesperine).";
        report.fault = true;
        return report;
    }
    report.text = "One way to set the " + Counted(mended.unknowns, "unstable bit", "unstable bits") + " gives CRC-32 " +
                  Hex8(expected) + " (checked): " +
                  (flips.size() == 1 ? std::string("1 bit differs") : Grouped(flips.size()) + " bits differ") +
                  " from the majority. Choose where to save it.";
    report.fixed = std::move(fixed);
    return report;
}

}  // namespace vesperine::inspector
