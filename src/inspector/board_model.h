// The Identity panel's board check, toolkit-free: the Inspector's subjects as chips, the DATs as sets, the report as
// text.
#pragma once

#ifdef VESPERINE_HAVE_DAT

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "base/work_poll.h"
#include "board/board.h"
#include "dat/dat_sets.h"
#include "files/file_system.h"
#include "inspector/subject.h"

namespace vesperine::inspector {

// The button's tooltip: what the check takes, and that writing the set is the command line's.
[[nodiscard]] std::string BoardCheckHint();
// Said instead of a report when there is nothing to check, or nothing to check it against.
[[nodiscard]] std::string NoBoardSubjects();
[[nodiscard]] std::string NoBoardDats();

/*
  The chips of a board check: every subject in the chooser's order, each named as the report
  names it: a file by its own file name (the base file too, not "Base file: ..."), the dialog's
  dump by its chooser label. The dialog's dump is left out when its bytes are the base file's
  (the whole base analysed): one chip, not two chips that each provide the same ROM. A file
  opened under two names (files.SameFile: a link, another spelling) is one chip, the other name
  among its otherNames. The chips see the subjects' bytes, alive as long as the subjects are.
*/
[[nodiscard]] std::vector<board::Chip> BoardChips(std::span<const Subject* const> subjects, FileSystem& files);

// The refusal of shown (as a person reads it), which no longer reads as a DAT file: the check stops.
[[nodiscard]] std::string BoardDatRefused(std::string_view shown, const dat::DatError& error);

// The DAT at path streamed into sets as the file system hands it over, its text never held
// whole (MAME's listing is hundreds of megabytes), asking poll (bytes read) after every
// kPollBytes. Nothing when the read failed (status says why) or was broken off (status Broken;
// the rest of the file is then read but not parsed, the file system's read having no break).
// An error of the DAT's own is in the sets' error.
[[nodiscard]] std::optional<dat::DatSets> StreamSets(FileSystem& files, const std::string& path, const WorkPoll& poll,
                                                     ReadStatus& status);

// The report as one text, a line each (board::ReportLines).
[[nodiscard]] std::string BoardReportText(const board::BoardResult& result, std::span<const board::Chip> chips,
                                          const board::BoardIndex& index);

}  // namespace vesperine::inspector

#endif
