// The board check's chips, sets and report text, for the Identity panel.
#include "inspector/board_model.h"

#ifdef VESPERINE_HAVE_DAT

#include <algorithm>

#include "board/board_report.h"

namespace vesperine::inspector {

std::string BoardCheckHint() {
    return "Takes every file the Inspector holds (opened, dropped, the dialog's base file and dump) as a chip of one "
           "board and checks them against the DAT files' sets: which set, which chip is which ROM, what is missing, "
           "and near misses mended by the DAT's CRC-32. vesperine-cli board --write DIR writes the verified set.";
}

std::string NoBoardSubjects() { return "No file to check as a board: open or drop the chip dumps first."; }

std::string BoardDatRefused(std::string_view shown, const dat::DatError& error) {
    return std::string(shown) + " is not a DAT file: " + dat::DescribeDatError(error) +
           "\nThe board check stops here; the DAT files are left as they are.";
}

std::vector<board::Chip> BoardChips(std::span<const Subject* const> subjects) {
    std::vector<board::Chip> chips;
    for (const Subject* subject : subjects) {
        const std::span<const std::uint8_t> bytes(subject->bytes.data(), subject->bytes.size());
        const bool isItsBase = subject->dialogDump && std::ranges::any_of(subjects, [&](const Subject* other) {
                                   return !other->dialogDump && !other->path.empty() && other->path == subject->path &&
                                          std::ranges::equal(bytes, std::span<const std::uint8_t>(other->bytes.data(),
                                                                                                  other->bytes.size()));
                               });
        if (isItsBase) continue;
        std::string name = subject->name;
        if (!subject->dialogDump && !subject->path.empty()) {
            const std::size_t slash = subject->path.find_last_of("/\\");
            name = slash == std::string::npos ? subject->path : subject->path.substr(slash + 1);
        }
        chips.push_back({std::move(name), bytes, {}});
    }
    return chips;
}

std::optional<dat::DatSets> ReadSetsPolled(std::span<const std::uint8_t> bytes, const WorkPoll& poll) {
    dat::DatSetReader reader;
    WorkMeter meter(poll, bytes.size());
    for (std::uint64_t at = 0; at < bytes.size(); at += kPollBytes) {
        if (meter.Tick(at)) return std::nullopt;
        reader.Feed(bytes.subspan(at, std::min<std::uint64_t>(kPollBytes, bytes.size() - at)));
    }
    if (meter.Tick(bytes.size())) return std::nullopt;
    return reader.Finish();
}

std::string BoardReportText(const board::BoardResult& result, std::span<const board::Chip> chips,
                            const board::BoardIndex& index) {
    std::string text;
    for (const std::string& line : board::ReportLines(result, chips, index)) text += line + "\n";
    return text;
}

}  // namespace vesperine::inspector

#endif
