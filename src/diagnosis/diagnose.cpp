// The diagnosis of a dump: the checks in order, and what the lanes add to the whole file.
#include "diagnosis/diagnose.h"

#include <algorithm>
#include <bit>

#include "base/format.h"
#include "diagnosis/address_lines.h"
#include "diagnosis/byte_lanes.h"
#include "diagnosis/data_lines.h"
#include "diagnosis/fill_map.h"
#include "diagnosis/repetition.h"
#include "diagnosis/scan.h"

namespace vesperine::diagnosis {
namespace {

// What the checks of one chip's bytes found, with the raw results kept for the lanes' cull.
struct ChipFindings {
    Repetition repetition;
    std::uint64_t deadBits = 0;  // offset bits with no effect, beyond those of a repetition
    std::vector<Finding> findings;
};

void Append(std::vector<Finding>& to, std::vector<Finding> from) {
    for (Finding& finding : from) to.push_back(std::move(finding));
}

// Whether every byte is printable ASCII or a tab, line or page break.
[[nodiscard]] bool IsText(const StridedBytes& bytes, const PassMeter& meter) {
    const std::size_t block = bytes.Block(kPollBytes);
    StridedBytes::Scratch scratch;
    for (std::size_t at = 0; at < bytes.size(); at += kPollBytes) {
        const std::size_t end = std::min<std::size_t>(bytes.size(), at + kPollBytes);
        for (std::size_t from = at; from < end; from += block) {
            const auto part = bytes.Read(from, std::min(block, end - from), scratch);
            if (!std::all_of(part.begin(), part.end(),
                             [](std::uint8_t b) { return (b >= 0x20 && b < 0x7F) || (b >= 0x09 && b <= 0x0D); })) {
                return false;
            }
        }
        if (meter.Tick(end)) return false;
    }
    return true;
}

// The passes of the diagnosis as the meter counts them, in units of the file's length.
constexpr std::uint64_t kWholePasses = 7;  // blank, lane fills, repetition, address, data, lanes, fills
constexpr std::uint64_t kLanePasses = 2;   // a look for one value, then repetition, address and data lines
constexpr std::uint64_t kPasses = kWholePasses + 2 * kLanePasses;

// Overdump, dead address lines and stuck data lines of one chip's bytes, which are not blank
// and hold at least kMinWordsForLines words.
// ignoreData leaves data lines out (a lane of 00 or FF explains them). The meter sees three
// passes over bytes: repetition, address lines (a share for each), data lines.
[[nodiscard]] ChipFindings CheckLines(const StridedBytes& bytes, unsigned width, bool checkData,
                                      std::uint32_t ignoreData, const PassMeter& meter) {
    ChipFindings chip;
    const std::uint64_t n = bytes.size();
    chip.repetition = FindRepetition(bytes, meter.Part(0, n, n));
    if (chip.repetition.copies > 1) chip.findings.push_back(OverdumpFinding(chip.repetition, width));
    // A power-of-two image repeated makes every line above it dead: the overdump says so.
    unsigned bits = AddressBitsFor(bytes.size());
    if (chip.repetition.copies > 1 && std::has_single_bit(chip.repetition.image)) {
        bits = std::min(bits, static_cast<unsigned>(std::countr_zero(chip.repetition.image)));
    }
    const PassMeter address = meter.Part(n, 2 * n, std::max(bits, 1u) * n);
    for (unsigned k = 0; k < bits && !meter.BrokenOff(); ++k) {
        if (OffsetBitHasNoEffect(bytes, k, address.Part(k * n, (k + 1) * n, n))) chip.deadBits |= std::uint64_t{1} << k;
    }
    Append(chip.findings, FindDeadAddressLines(chip.deadBits, width, bytes.size()));
    if (!checkData || meter.BrokenOff()) return chip;
    const PassMeter data = meter.Part(2 * n, 3 * n, n);
    const DataLineScan scan = ScanDataLines(bytes, width, data);
    for (Finding& finding : FindStuckDataLines(scan, ignoreData)) {
        if (width == 1 && finding.line == 7 && (scan.everSet & 0x80u) == 0 && IsText(bytes, data)) {
            // Seven-bit text never sets D7: the line may be fine.
            finding.severity = Severity::Info;
            finding.text = "D7 always 0: every byte is 7-bit text (or data line 7 is stuck low)";
        }
        chip.findings.push_back(std::move(finding));
    }
    return chip;
}

// Whether the whole file's findings already say what a lane's finding says: a lane's line Ak
// is the file's offset bit k + 1; a lane's Dk is the file's Dk when the file is read bytewise.
[[nodiscard]] bool SaidForWholeFile(const Finding& laneFinding, const ChipFindings& whole) {
    switch (laneFinding.kind) {
        case FindingKind::AddressLine: return (whole.deadBits >> (laneFinding.line + 1)) & 1u;
        case FindingKind::Overdump: return whole.repetition.copies > 1;
        case FindingKind::DataLine:
            return std::any_of(whole.findings.begin(), whole.findings.end(), [&](const Finding& f) {
                return f.kind == FindingKind::DataLine && f.line == laneFinding.line && f.text == laneFinding.text;
            });
        default: return false;
    }
}

}  // namespace

bool Diagnosis::NeedsAttention() const {
    return std::any_of(findings.begin(), findings.end(), [](const Finding& f) { return f.severity != Severity::Info; });
}

Diagnosis Diagnose(std::span<const std::uint8_t> bytes, const DiagnoseOptions& options) {
    return *Diagnose(bytes, options, nullptr);
}

std::optional<Diagnosis> Diagnose(std::span<const std::uint8_t> bytes, const DiagnoseOptions& options,
                                  const WorkPoll& poll) {
    const std::uint64_t n = bytes.size();
    WorkMeter meter(poll, kPasses * n);
    // Pass p of the plan, over a span of `length` bytes.
    const auto pass = [&](std::uint64_t p, std::uint64_t length) { return PassMeter(&meter, p * n, n, length); };
    Diagnosis diagnosis;
    diagnosis.length = bytes.size();
    diagnosis.width = options.width;
    if (bytes.size() / options.width < kMinWordsForLines) {
        Finding finding;
        finding.kind = FindingKind::TooShort;
        finding.text = "too short to judge: " + std::to_string(bytes.size()) + " bytes; at least " +
                       std::to_string(kMinWordsForLines) + " words are needed";
        finding.evidence = {{"bytes", bytes.size(), 0}};
        diagnosis.findings.push_back(std::move(finding));
        return diagnosis;
    }
    const std::optional<std::uint8_t> constant = ConstantByteOf(bytes, pass(0, n));
    if (meter.BrokenOff()) return std::nullopt;
    if (constant) {
        diagnosis.findings.push_back(BlankFinding(*constant, bytes.size()));
        return diagnosis;
    }
    const std::optional<std::uint8_t> laneFills[2] = {LaneFill(bytes, Lane::Odd, pass(1, n).Part(0, n / 2, n)),
                                                      LaneFill(bytes, Lane::Even, pass(1, n).Part(n / 2, n, n))};
    std::uint32_t ignoreData = 0;
    if (options.width == 2) {
        if (laneFills[0]) ignoreData |= 0x00FFu;
        if (laneFills[1]) ignoreData |= 0xFF00u;
    }
    ChipFindings whole =
        CheckLines(StridedBytes(bytes), options.width, true, ignoreData, PassMeter(&meter, 2 * n, 3 * n, 3 * n));
    std::vector<Finding> findings = whole.findings;
    Append(findings, FindConstantLanes(bytes, options.width, pass(5, n)));
    Append(findings, FindFills(bytes, options.width, pass(6, n)));
    if (meter.BrokenOff()) return std::nullopt;

    if (!options.wholeOnly && bytes.size() >= 2) {
        diagnosis.lanesChecked = true;
        for (const Lane lane : {Lane::Odd, Lane::Even}) {
            if (laneFills[static_cast<int>(lane)]) continue;
            // The lane's two passes: a look for one value, then its lines. The lane is read where
            // it lies in the file: a copy of it would cost half the file's size again.
            const std::uint64_t first = kWholePasses + kLanePasses * static_cast<std::uint64_t>(lane);
            const StridedBytes laneBytes(bytes, static_cast<std::size_t>(lane), 2);
            if (laneBytes.size() < kMinWordsForLines) continue;
            const std::uint64_t m = laneBytes.size();
            const bool oneValue = IsAllByte(laneBytes, laneBytes[0], pass(first, m));
            if (meter.BrokenOff()) return std::nullopt;
            if (!oneValue) {
                ChipFindings laneChip = CheckLines(laneBytes, 1, options.width == 1, 0, pass(first + 1, 3 * m));
                if (meter.BrokenOff()) return std::nullopt;
                for (Finding& finding : laneChip.findings) {
                    if (SaidForWholeFile(finding, whole)) continue;
                    finding.scope = LaneName(lane);
                    findings.push_back(std::move(finding));
                }
            } else {
                Finding finding = BlankFinding(laneBytes[0], laneBytes.size());
                finding.kind = FindingKind::ByteLane;
                finding.scope = LaneName(lane);
                finding.severity = Severity::Warning;
                finding.text = "every byte of the lane is " + HexText(laneBytes[0], 2).substr(2) +
                               ": that chip does not answer, or is not selected";
                findings.push_back(std::move(finding));
            }
        }
    }
    std::stable_sort(findings.begin(), findings.end(),
                     [](const Finding& a, const Finding& b) { return a.severity < b.severity; });
    diagnosis.findings = std::move(findings);
    return diagnosis;
}

}  // namespace vesperine::diagnosis
