// The Checksums panel's model: the one pass over the bytes, and its results as rows and sentences.
#include "inspector/checksums_model.h"

#include "base/crc32.h"
#include "base/format.h"
#include "checksum/catalogue.h"
#ifdef VESPERINE_HAVE_DAT
#include "dat/digests.h"
#include "dat/rom_fields.h"
#endif

namespace vesperine::inspector {

namespace {

// A multiple of 4, so each piece's byte lanes are the file's.
constexpr std::size_t kPiece = std::size_t{4} << 20;

}  // namespace

std::vector<std::string> SplitModelNames(std::string_view text) {
    std::vector<std::string> names;
    std::string name;
    for (const char c : text) {
        if (c == ' ' || c == ',' || (c >= '\t' && c <= '\r')) {
            if (!name.empty()) names.push_back(std::move(name));
            name.clear();
        } else {
            name.push_back(c);
        }
    }
    if (!name.empty()) names.push_back(std::move(name));
    return names;
}

std::optional<Sums> ComputeSums(std::span<const std::uint8_t> bytes, const std::vector<std::string>& models,
                                const SumsPoll& poll) {
    Sums sums;
    sums.size = bytes.size();
    for (const std::string& name : models) {
        ChosenCrc& chosen = sums.crcs.emplace_back(ChosenCrc{name, std::nullopt, 0});
        if (const checksum::CrcModel* model = checksum::FindCrcModel(name)) {
            chosen.engine.emplace(*model);
            chosen.reg = chosen.engine->Start();
        }
    }
#ifdef VESPERINE_HAVE_DAT
    dat::DigestStream digests;
#endif
    for (std::size_t done = 0; done < bytes.size(); done += kPiece) {
        if (poll && poll(done, 3 * bytes.size())) return std::nullopt;
        const auto piece = bytes.subspan(done, std::min(kPiece, bytes.size() - done));
        sums.crc32 = Crc32(piece, sums.crc32);
        const checksum::LaneTotals lanes = checksum::TotalLanes(piece);
        for (std::size_t k = 0; k < 4; ++k) sums.lanes.lane[k] += lanes.lane[k];
        for (ChosenCrc& chosen : sums.crcs)
            if (chosen.engine) chosen.reg = chosen.engine->Update(chosen.reg, piece);
#ifdef VESPERINE_HAVE_DAT
        digests.Update(piece);
#endif
    }
#ifdef VESPERINE_HAVE_DAT
    const dat::Digests d = digests.Finish();
    sums.digests = {dat::HexOf(d.md5), dat::HexOf(d.sha1), dat::HexOf(d.sha256)};
#else
    sums.digests.fill("not built (this build has no DAT module: VESPERINE_CLI=OFF)");
#endif
    const WorkPoll checking = [&poll, &bytes](std::uint64_t done, std::uint64_t /*total*/) {
        return poll && poll(bytes.size() + done, 3 * bytes.size());
    };
    std::optional<headers::HeaderReport> header = headers::CheckHeader(bytes, {}, checking);
    if (!header) return std::nullopt;
    sums.header = std::move(*header);
    return sums;
}

std::string SizeBoxText(std::uint64_t size) {
    return Counted(size, "byte", "bytes") + " (0x" + HexDigits(size, 8) + ")";
}

Rows SumsRows(const Sums& sums) {
    Rows rows;
    for (const checksum::SumKind& kind : checksum::SumRows())
        rows.push_back({checksum::SumName(kind),
                        HexDigits(checksum::SumOf(sums.lanes, kind), static_cast<unsigned>(kind.width / 4))});
    for (const ChosenCrc& chosen : sums.crcs) {
        if (!chosen.engine) {
            rows.push_back({chosen.name, "not in the catalogue"});
            continue;
        }
        const checksum::CrcModel& model = chosen.engine->Model();
        rows.push_back({std::string(model.name), ChecksumDigits(chosen.engine->Finish(chosen.reg), model.width)});
    }
    return rows;
}

std::string HeaderText(const headers::HeaderReport& report, std::string_view prefix) {
    if (!report.known())
        return "No known system (tried SNES, Mega Drive, Game Boy, Game Boy Advance, Nintendo 64 and Williams WPC).";
    std::string text = report.system;
    if (!report.layout.empty()) text += ", " + report.layout;
    if (!report.problem.empty()) text += ": " + report.problem;
    else text += report.good() ? ": every checksum holds." : ": checksums wrong.";
    if (report.doubtful)
        text += "\nRecognised by marks that differ from its own: " + report.recognition + ". No fix is offered for it.";
    for (const std::string& note : report.notes) text += "\n" + note;
    return std::string(prefix) + text;
}

Rows HeaderRows(const headers::HeaderReport& report) {
    Rows rows;
    for (const headers::FieldCheck& field : report.fields) {
        const unsigned digits = field.width * 2;
        rows.push_back({field.field + (field.good() ? " \u2714" : " \u2716 wrong"), HexText(field.offset, 6),
                        HexDigits(field.stored, digits), HexDigits(field.computed, digits), field.range});
    }
    return rows;
}

std::string NothingFixed(std::string_view refusal) { return "Nothing fixed: " + std::string(refusal); }

std::string SavedFixedCopy(const headers::HeaderReport& after) {
    return "Saved a copy with every checksum of the " + after.system + " header set.";
}

bool CanFixHeader(const headers::HeaderReport& report) {
    return report.known() && report.problem.empty() && !report.good() && !report.doubtful;
}

}  // namespace vesperine::inspector
