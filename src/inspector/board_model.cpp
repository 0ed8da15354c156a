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

std::string NoBoardDats() {
    return "Add the DAT files (MAME's listing, Logiqx XML, the bracketed form or a zip of them) whose sets the files "
           "are checked against.";
}

std::string BoardDatRefused(std::string_view shown, const dat::DatError& error) {
    return std::string(shown) + " is not a DAT file: " + dat::DescribeDatError(error) +
           "\nThe board check stops here; the DAT files are left as they are.";
}

std::vector<board::Chip> BoardChips(std::span<const Subject* const> subjects, FileSystem& files) {
    std::vector<board::Chip> chips;
    std::vector<std::pair<std::string, std::size_t>> opened;  // each file's path and its chip
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
            const auto same =
                std::ranges::find_if(opened, [&](const auto& o) { return files.SameFile(o.first, subject->path); });
            if (same != opened.end()) {
                chips[same->second].otherNames.push_back(std::move(name));
                continue;
            }
            opened.emplace_back(subject->path, chips.size());
        }
        chips.push_back({std::move(name), bytes, {}, {}});
    }
    return chips;
}

std::optional<dat::DatSets> StreamSets(FileSystem& files, const std::string& path, const WorkPoll& poll,
                                       ReadStatus& status) {
    dat::DatSetReader reader;
    WorkMeter meter(poll, files.FileLength(path).value_or(0));
    std::uint64_t done = 0;
    status = files.ReadPieces(path, [&](std::span<const std::uint8_t> piece) {
        for (std::uint64_t at = 0; at < piece.size() && !meter.BrokenOff(); at += kPollBytes) {
            const std::uint64_t length = std::min<std::uint64_t>(kPollBytes, piece.size() - at);
            reader.Feed(piece.subspan(at, length));
            done += length;
            static_cast<void>(meter.Tick(done));
        }
    });
    if (status != ReadStatus::Ok) return std::nullopt;
    if (meter.BrokenOff()) {
        status = ReadStatus::Broken;
        return std::nullopt;
    }
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
