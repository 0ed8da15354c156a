// Choosing a DAT's form from its first bytes, and zipped DATs member by member.
#include "dat/dat_reader.h"

#include <algorithm>
#include <cctype>

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

[[nodiscard]] DatParse ReadPlainDat(std::string_view text) {
    // Text DATs hold no NUL byte; a ROM image or other binary file given as a DAT usually does
    // early on, and is named as such rather than by its first garbage word.
    if (text.substr(0, 4096).find('\0') != std::string_view::npos) {
        return {{}, DatError{"", 0, "not a DAT: binary data"}};
    }
    return LooksLikeXml(text) ? ReadXmlDat(text) : ReadBracketDat(text);
}

}  // namespace

DatParse ReadDat(std::span<const std::uint8_t> bytes, const ZipLimits& limits) {
    if (!LooksLikeZip(bytes)) return ReadPlainDat(TextOf(bytes));
    // Archives made on a Mac carry a resource-fork twin of each file under __MACOSX/: not a DAT.
    auto isDat = [](std::string_view name) {
        return (EndsWith(name, ".dat") || EndsWith(name, ".xml")) && !name.starts_with("__MACOSX/");
    };
    // Each member's text is parsed and freed before the next is inflated: the ROMs stay, the text goes.
    DatParse result;
    bool any = false;
    const std::string error =
        ForEachZipMember(bytes, isDat, limits, [&](std::string_view name, std::span<const std::uint8_t> text) {
            any = true;
            DatParse one = ReadPlainDat(TextOf(text));
            if (one.error) {
                one.error->member = name;
                result = std::move(one);
                return false;
            }
            std::move(one.roms.begin(), one.roms.end(), std::back_inserter(result.roms));
            return true;
        });
    if (!error.empty()) return {{}, DatError{"", 0, error}};
    if (!any) return {{}, DatError{"", 0, "the zip holds no .dat or .xml file"}};
    return result;
}

}  // namespace vesperine::dat
