// The XML DAT forms (Logiqx datafile and MAME's machine list) read as a stream through expat.
#include <expat.h>

#include <algorithm>
#include <cctype>
#include <cstring>

#include "dat/dat_reader.h"
#include "dat/dat_sets.h"
#include "dat/rom_fields.h"
#include "dat/xml_set_parser.h"

namespace vesperine::dat {
namespace {

[[nodiscard]] bool Yes(const char* value) { return std::strcmp(value, "yes") == 0; }

// MAME writes a ROM's offset in hex without a prefix; some tools add "0x".
[[nodiscard]] std::optional<std::uint64_t> HexOffset(std::string_view text) {
    if (text.starts_with("0x") || text.starts_with("0X")) text.remove_prefix(2);
    if (text.empty() || text.size() > 16) return std::nullopt;
    std::uint64_t value = 0;
    for (const char c : text) {
        const int digit = c >= '0' && c <= '9'   ? c - '0'
                          : c >= 'a' && c <= 'f' ? c - 'a' + 10
                          : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                                 : -1;
        if (digit < 0) return std::nullopt;
        value = value << 4 | static_cast<unsigned>(digit);
    }
    return value;
}

/*
  DATs that call themselves UTF-8 (or say nothing, which XML takes as UTF-8) are often written
  in Latin-1 by older tools. expat refuses such a byte where a tree parser passed it on; here a
  byte that begins no valid UTF-8 sequence is taken as the Latin-1 character it is and written
  as UTF-8, and every valid sequence is left as it is. A sequence cut by the end of a block
  waits for the next.
*/
class Utf8Repair {
public:
    [[nodiscard]] std::string Fix(std::string_view block, bool final) {
        std::string in = std::move(carry_);
        in.append(block);
        carry_.clear();
        std::string out;
        out.reserve(in.size());
        std::size_t i = 0;
        while (i < in.size()) {
            const auto lead = static_cast<unsigned char>(in[i]);
            if (lead < 0x80) {
                out += in[i++];
                continue;
            }
            const std::size_t length = lead >= 0xC2 && lead <= 0xDF   ? 2
                                       : lead >= 0xE0 && lead <= 0xEF ? 3
                                       : lead >= 0xF0 && lead <= 0xF4 ? 4
                                                                      : 0;
            if (length != 0 && i + length > in.size() && !final && Continues(in, i, in.size() - i)) {
                carry_ = in.substr(i);
                break;
            }
            if (length != 0 && i + length <= in.size() && Continues(in, i, length)) {
                out.append(in, i, length);
                i += length;
                continue;
            }
            out += static_cast<char>(0xC0 | lead >> 6);
            out += static_cast<char>(0x80 | (lead & 0x3F));
            ++i;
        }
        return out;
    }

    // Whether a sequence cut by the end of the last block waits.
    [[nodiscard]] bool Pending() const { return !carry_.empty(); }

private:
    // Whether the `count` bytes from `at` could begin a valid sequence (no overlong form, no
    // surrogate, nothing above U+10FFFF).
    [[nodiscard]] static bool Continues(const std::string& in, std::size_t at, std::size_t count) {
        const auto lead = static_cast<unsigned char>(in[at]);
        for (std::size_t k = 1; k < count; ++k) {
            const auto c = static_cast<unsigned char>(in[at + k]);
            unsigned low = 0x80, high = 0xBF;
            if (k == 1 && lead == 0xE0) low = 0xA0;
            if (k == 1 && lead == 0xED) high = 0x9F;
            if (k == 1 && lead == 0xF0) low = 0x90;
            if (k == 1 && lead == 0xF4) high = 0x8F;
            if (c < low || c > high) return false;
        }
        return true;
    }

    std::string carry_;
};

// The bytes an XML declaration may take: the decision is made on them alone, however the text
// comes in blocks.
constexpr std::size_t kLongestDeclaration = 1024;

// Whether the XML declaration at the start of head (up to its first '>') names no encoding, or UTF-8.
[[nodiscard]] bool DeclaresUtf8(std::string_view head) {
    head = head.substr(0, std::min(head.find('>'), kLongestDeclaration));
    if (head.starts_with("\xEF\xBB\xBF")) head.remove_prefix(3);
    if (!head.starts_with("<?xml")) return true;
    const std::size_t at = head.find("encoding");
    if (at == std::string_view::npos) return true;
    std::string value;
    for (const char c : head.substr(at + 8)) {
        if (c == '=' || c == ' ' || c == '"' || c == '\'') {
            if (!value.empty()) break;
            continue;
        }
        value += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return value == "utf-8" || value == "utf8";
}

}  // namespace

std::optional<std::string> TakeSetRomField(SetRom& rom, std::string_view key, std::string_view value) {
    if (key == "merge") {
        rom.merge = std::string(value);
    } else if (key == "bios") {
        rom.bios = std::string(value);
    } else if (key == "region") {
        rom.region = std::string(value);
    } else if (key == "offset") {
        rom.offset = HexOffset(value);
        if (!rom.offset) return QuotedForMessage(key, value) + " is not a hex number";
    } else if (key == "optional") {
        rom.optional = value == "yes";
    }
    return std::nullopt;
}

struct XmlSetParser::Impl {
    XML_Parser parser = XML_ParserCreate(nullptr);
    std::string head;  // the first bytes, until the XML declaration is whole
    bool decided = false;
    bool repair = false;  // the text is meant as UTF-8: Latin-1 bytes in it are taken as such
    Utf8Repair latin1;
    DatSets result;
    unsigned depth = 0;  // elements open
    bool rootSeen = false;
    bool inSet = false;
    bool inDescription = false;
    // Lines of the text fed so far, and the line of its last byte that is not white space: where
    // a file cut short is said to end.
    std::uint32_t lines = 1;
    std::uint32_t lastTextLine = 1;

    Impl() {
        XML_SetUserData(parser, this);
        XML_SetElementHandler(parser, &Impl::Start, &Impl::End);
        XML_SetCharacterDataHandler(parser, &Impl::Text);
    }
    ~Impl() { XML_ParserFree(parser); }
    Impl(const Impl&) = delete;
    Impl& operator=(const Impl&) = delete;

    void Refuse(std::string message) {
        if (result.error) return;
        result.error = DatError{"", static_cast<std::uint32_t>(XML_GetCurrentLineNumber(parser)), std::move(message)};
        XML_StopParser(parser, XML_FALSE);
    }

    void StartRom(const char** attributes) {
        DatSet& set = result.sets.back();
        RomEntry entry;
        entry.game = set.name;
        SetRom setRom;
        setRom.rom = result.roms.size();
        bool sizeSeen = false;
        for (const char** a = attributes; *a != nullptr; a += 2) {
            sizeSeen = sizeSeen || std::strcmp(a[0], "size") == 0;
            if (auto message = TakeRomField(entry, a[0], a[1])) return Refuse(*message);
            if (auto message = TakeSetRomField(setRom, a[0], a[1])) return Refuse(*message);
        }
        if (auto message = CheckRomComplete(entry, sizeSeen)) return Refuse(*message);
        result.roms.push_back(std::move(entry));
        set.roms.push_back(std::move(setRom));
    }

    void StartSet(const char** attributes) {
        DatSet set;
        for (const char** a = attributes; *a != nullptr; a += 2) {
            const std::string_view key = a[0];
            if (key == "name") set.name = a[1];
            if (key == "cloneof") set.cloneOf = a[1];
            if (key == "romof") set.romOf = a[1];
            if (key == "isbios") set.isBios = Yes(a[1]);
            if (key == "isdevice") set.isDevice = Yes(a[1]);
        }
        result.sets.push_back(std::move(set));
        inSet = true;
    }

    static void Start(void* data, const char* name, const char** attributes) {
        auto& self = *static_cast<Impl*>(data);
        ++self.depth;
        if (self.depth == 1) {
            self.rootSeen = true;
            if (std::strcmp(name, "datafile") != 0 && std::strcmp(name, "mame") != 0)
                self.Refuse(std::string("XML root <") + name + "> is neither <datafile> nor <mame>");
        } else if (self.depth == 2) {
            if (std::strcmp(name, "game") == 0 || std::strcmp(name, "machine") == 0) self.StartSet(attributes);
        } else if (self.depth == 3 && self.inSet) {
            if (std::strcmp(name, "rom") == 0) {
                self.StartRom(attributes);
            } else if (std::strcmp(name, "device_ref") == 0) {
                for (const char** a = attributes; *a != nullptr; a += 2) {
                    if (std::strcmp(a[0], "name") == 0) self.result.sets.back().deviceRefs.emplace_back(a[1]);
                }
            } else if (std::strcmp(name, "description") == 0) {
                self.inDescription = true;
            }
        }
    }

    static void End(void* data, const char* /*name*/) {
        auto& self = *static_cast<Impl*>(data);
        if (self.depth == 2) self.inSet = false;
        if (self.depth == 3) self.inDescription = false;
        --self.depth;
    }

    static void Text(void* data, const XML_Char* text, int length) {
        auto& self = *static_cast<Impl*>(data);
        // A description is a line of text; a longer one is cut, so that memory stays per set.
        constexpr std::size_t kLongest = 1024;
        if (!self.inDescription) return;
        std::string& description = self.result.sets.back().description;
        if (description.size() < kLongest)
            description.append(text, std::min<std::size_t>(static_cast<std::size_t>(length), kLongest));
    }

    void Count(std::string_view block) {
        for (std::size_t i = 0; i < block.size(); ++i) {
            const char c = block[i];
            if (c == '\n') {
                ++lines;
            } else if (c != ' ' && c != '\t' && c != '\r') {
                lastTextLine = lines;
            }
        }
    }

    void Parse(std::string_view block, bool final) {
        if (result.error) return;
        Count(block);
        if (XML_Parse(parser, block.data(), static_cast<int>(block.size()), final ? XML_TRUE : XML_FALSE) ==
                XML_STATUS_OK ||
            result.error) {
            return;
        }
        const XML_Error code = XML_GetErrorCode(parser);
        if (final && block.empty() && rootSeen) {
            result.error = DatError{"", lastTextLine, "XML: the file ends before its elements are closed (cut short?)"};
            return;
        }
        // The wording earlier versions gave for the commonest fault, which people search for.
        const std::string what = code == XML_ERROR_TAG_MISMATCH ? "Start-end tags mismatch" : XML_ErrorString(code);
        result.error = DatError{"", static_cast<std::uint32_t>(XML_GetCurrentLineNumber(parser)), "XML: " + what};
    }
};

XmlSetParser::XmlSetParser() : impl_(std::make_unique<Impl>()) {}
XmlSetParser::~XmlSetParser() = default;

void XmlSetParser::Feed(std::string_view block) {
    Impl& s = *impl_;
    if (!s.decided) {
        s.head.append(block);
        if (s.head.find('>') == std::string::npos && s.head.size() < kLongestDeclaration) return;
        s.decided = true;
        s.repair = DeclaresUtf8(s.head);
        const std::string head = std::move(s.head);
        return Feed(head);
    }
    // expat takes an int length: a block beyond it goes in parts.
    constexpr std::size_t kPart = std::size_t{1} << 30;
    for (std::size_t at = 0; at < block.size(); at += kPart) {
        const std::string_view part = block.substr(at, kPart);
        // Plain ASCII, most of any DAT, needs no repair and no copy.
        const bool ascii =
            std::all_of(part.begin(), part.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
        if (s.repair && (!ascii || s.latin1.Pending())) {
            s.Parse(s.latin1.Fix(part, false), false);
        } else {
            s.Parse(part, false);
        }
    }
}

DatSets XmlSetParser::Finish() {
    Impl& s = *impl_;
    if (!s.decided) {
        s.decided = true;
        s.repair = DeclaresUtf8(s.head);
        const std::string head = std::move(s.head);
        Feed(head);
    }
    if (s.repair) s.Parse(s.latin1.Fix({}, true), false);
    impl_->Parse({}, true);
    DatSets result = std::move(impl_->result);
    if (result.error) {
        result.roms.clear();
        result.sets.clear();
    }
    return result;
}

DatSets ReadXmlDatSets(std::string_view text) {
    XmlSetParser parser;
    parser.Feed(text);
    return parser.Finish();
}

DatParse ReadXmlDat(std::string_view text) {
    DatSets sets = ReadXmlDatSets(text);
    return {std::move(sets.roms), std::move(sets.error)};
}

}  // namespace vesperine::dat
