// The size-and-CRC line and the file messages of every subcommand.
#include "cli/messages.h"

#include <nlohmann/json.hpp>

#include "base/format.h"

namespace vesperine::cli {

std::string SizeCrcLine(std::string_view path, std::uint64_t size, std::uint32_t crc) {
    // A dump is under 2 GiB (kMaxFileLength): the size fits the window's 32-bit field.
    return std::string(path) + ": " + FormatDumpSize(static_cast<std::uint32_t>(size)) + " CRC:" + HexDigits(crc, 8);
}

std::ostream& FileProblem(std::ostream& err, std::string_view path) { return err << "vesperine-cli: " << path << ": "; }

void ReportReadFailure(FileSystem& files, const std::string& path, ReadStatus status, std::ostream& err) {
    const bool folder = status == ReadStatus::CannotOpen && files.IsFolder(path);
    FileProblem(err, path) << (folder ? "is a folder, not a file" : ReadFailureMessage(status)) << '\n';
}

void RecordFileFailure(const std::string& path, const std::string& why, std::ostream& err, nlohmann::json& results) {
    err << why;
    results.push_back({{"path", path}, {"error", why}});
}

}  // namespace vesperine::cli
