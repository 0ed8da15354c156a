// Choosing a DAT's form from its first bytes, XML streamed as it comes, and zipped DATs member by member.
#include "dat/dat_reader.h"

#include <algorithm>
#include <cctype>
#include <iterator>

#include "dat/dat_sets.h"
#include "dat/xml_set_parser.h"
#include "dat/zip_members.h"

namespace vesperine::dat {
namespace {

[[nodiscard]] bool EndsWith(std::string_view name, std::string_view suffix) {
    return name.size() >= suffix.size() &&
           std::equal(suffix.begin(), suffix.end(), name.end() - static_cast<std::ptrdiff_t>(suffix.size()),
                      [](char a, char b) { return a == std::tolower(static_cast<unsigned char>(b)); });
}

[[nodiscard]] std::string_view TextOf(std::span<const std::uint8_t> bytes) {
    return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

[[nodiscard]] bool LooksLikeXml(std::string_view text) {
    if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
    const std::size_t first = text.find_first_not_of(" \t\r\n");
    return first != std::string_view::npos && text[first] == '<';
}

// Text DATs hold no NUL byte; a ROM image or other binary file given as a DAT usually does
// early on, and is named as such rather than by its first garbage word.
constexpr std::size_t kBinaryProbe = 4096;

[[nodiscard]] DatSets Refused(std::string message) { return {{}, {}, DatError{"", 0, std::move(message)}}; }

[[nodiscard]] DatSets ReadPlainDat(std::string_view text) {
    if (text.substr(0, kBinaryProbe).find('\0') != std::string_view::npos) return Refused("not a DAT: binary data");
    return LooksLikeXml(text) ? ReadXmlDatSets(text) : ReadBracketDatSets(text);
}

[[nodiscard]] DatSets ReadZippedDat(std::span<const std::uint8_t> bytes, const ZipLimits& limits) {
    // Archives made on a Mac carry a resource-fork twin of each file under __MACOSX/: not a DAT.
    auto isDat = [](std::string_view name) {
        return (EndsWith(name, ".dat") || EndsWith(name, ".xml")) && !name.starts_with("__MACOSX/");
    };
    // Each member's text is parsed and freed before the next is inflated: the ROMs stay, the text goes.
    DatSets result;
    bool any = false;
    const std::string error =
        ForEachZipMember(bytes, isDat, limits, [&](std::string_view name, std::span<const std::uint8_t> text) {
            any = true;
            DatSets one = ReadPlainDat(TextOf(text));
            if (one.error) {
                one.error->member = name;
                result = std::move(one);
                return false;
            }
            const std::size_t base = result.roms.size();
            for (DatSet& set : one.sets) {
                for (SetRom& rom : set.roms) rom.rom += base;
            }
            std::move(one.roms.begin(), one.roms.end(), std::back_inserter(result.roms));
            std::move(one.sets.begin(), one.sets.end(), std::back_inserter(result.sets));
            return true;
        });
    if (!error.empty()) return Refused(error);
    if (!any) return Refused("the zip holds no .dat or .xml file");
    return result;
}

}  // namespace

struct DatSetReader::State {
    ZipLimits limits;
    std::string held;  // the text until its form is known, and the whole of a zip or bracketed DAT
    enum class Form { Unknown, Xml, Bracketed, Zip } form = Form::Unknown;
    XmlSetParser xml;
    BracketSetParser bracketed;
    bool binary = false;
};

DatSetReader::DatSetReader(const ZipLimits& limits) : state_(std::make_unique<State>()) { state_->limits = limits; }
DatSetReader::~DatSetReader() = default;

void DatSetReader::Feed(std::span<const std::uint8_t> block) {
    State& s = *state_;
    if (s.binary) return;
    if (s.form == State::Form::Xml) return s.xml.Feed(TextOf(block));
    if (s.form == State::Form::Bracketed) return s.bracketed.Feed(TextOf(block));
    s.held.append(TextOf(block));
    if (s.form == State::Form::Zip || s.held.size() < kBinaryProbe) return;
    const std::span<const std::uint8_t> start(reinterpret_cast<const std::uint8_t*>(s.held.data()), s.held.size());
    if (LooksLikeZip(start)) {
        s.form = State::Form::Zip;
        return;
    }
    if (s.held.find('\0', 0) < kBinaryProbe) {
        s.binary = true;
        s.held.clear();
        return;
    }
    if (LooksLikeXml(s.held)) {
        s.form = State::Form::Xml;
        s.xml.Feed(s.held);
    } else {
        s.form = State::Form::Bracketed;
        s.bracketed.Feed(s.held);
    }
    std::string().swap(s.held);
}

DatSets DatSetReader::Finish() {
    State& s = *state_;
    if (s.binary) return Refused("not a DAT: binary data");
    if (s.form == State::Form::Xml) return s.xml.Finish();
    if (s.form == State::Form::Bracketed) return s.bracketed.Finish();
    const std::span<const std::uint8_t> bytes(reinterpret_cast<const std::uint8_t*>(s.held.data()), s.held.size());
    return LooksLikeZip(bytes) ? ReadZippedDat(bytes, s.limits) : ReadPlainDat(s.held);
}

DatSets ReadDatSets(std::span<const std::uint8_t> bytes, const ZipLimits& limits) {
    if (LooksLikeZip(bytes)) return ReadZippedDat(bytes, limits);
    return ReadPlainDat(TextOf(bytes));
}

DatParse ReadDat(std::span<const std::uint8_t> bytes, const ZipLimits& limits) {
    DatSets sets = ReadDatSets(bytes, limits);
    return {std::move(sets.roms), std::move(sets.error)};
}

}  // namespace vesperine::dat
