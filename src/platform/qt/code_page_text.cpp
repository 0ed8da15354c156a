// CodePageText: iconv conversions between the code page and Unicode; the code page of the locale.
#include "platform/qt/code_page_text.h"

#include <langinfo.h>
#include <algorithm>
#include <array>
#include <cerrno>
#include <clocale>
#include <cstdlib>

namespace vesperine::qt {

namespace {

// By the locale's language and territory ("" for any), first match wins; then by its codeset.
struct LanguageRule {
    std::string_view language;
    std::string_view territory;
    int codePage;
};
constexpr std::array<LanguageRule, 6> kLanguageRules{{
    {"ja", "", 932},
    {"zh", "TW", 950},
    {"zh", "HK", 950},
    {"zh", "MO", 950},
    {"zh", "", 936},
    {"ko", "", 949},
}};

struct CodesetRule {
    std::string_view prefix;
    int codePage;
};
// Compared without case, "-" or "_": nl_langinfo says "EUC-JP" where a locale's name says "eucJP".
constexpr std::array<CodesetRule, 7> kCodesetRules{{
    {"SHIFTJIS", 932},
    {"SJIS", 932},
    {"EUCJP", 932},
    {"BIG5", 950},
    {"GB", 936},
    {"EUCCN", 936},
    {"EUCKR", 949},
}};

constexpr int kSingleBytePage = 1252;

struct IconvName {
    int codePage;
    const char* name;
};
constexpr std::array<IconvName, 5> kIconvNames{{
    {932, "CP932"},
    {936, "GBK"},
    {949, "CP949"},
    {950, "BIG5"},
    {kSingleBytePage, "CP1252"},
}};

const char* IconvNameOf(int codePage) {
    for (const auto& entry : kIconvNames)
        if (entry.codePage == codePage) return entry.name;
    return "CP1252";
}

// Whether the codeset, in upper case and without "-" and "_", starts with prefix.
bool CodesetStartsWith(std::string_view codeset, std::string_view prefix) {
    std::string folded;
    for (const char c : codeset) {
        if (c == '-' || c == '_') continue;
        folded += c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
    }
    return folded.starts_with(prefix);
}

// Runs one whole conversion; on a sequence that cannot be converted, writes "?" and skips
// skipUnit bytes of input (a byte of the page, or one UTF-8 sequence).
template <typename SkipUnit>
std::string Convert(iconv_t cd, std::string_view input, SkipUnit skipUnit) {
    std::string output;
    std::array<char, 1024> chunk{};
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    char* in = const_cast<char*>(input.data());  // iconv's signature; the input is not changed
    std::size_t inLeft = input.size();
    while (inLeft > 0) {
        char* out = chunk.data();
        std::size_t outLeft = chunk.size();
        const std::size_t result = iconv(cd, &in, &inLeft, &out, &outLeft);
        output.append(chunk.data(), chunk.size() - outLeft);
        if (result == static_cast<std::size_t>(-1) && errno != E2BIG) {
            output += '?';
            const std::size_t skip = std::min(inLeft, skipUnit(static_cast<unsigned char>(*in)));
            in += skip;
            inLeft -= skip;
            iconv(cd, nullptr, nullptr, nullptr, nullptr);
        }
    }
    return output;
}

std::size_t OneByte(unsigned char) { return 1; }

std::size_t Utf8SequenceLength(unsigned char lead) {
    if (lead >= 0xF0) return 4;
    if (lead >= 0xE0) return 3;
    if (lead >= 0xC0) return 2;
    return 1;
}

// The locale the environment names for the character type, by POSIX's precedence; a variable
// set to the empty string counts as unset.
std::string_view NamedCharacterTypeLocale() {
    for (const char* variable : {"LC_ALL", "LC_CTYPE", "LANG"}) {
        const char* value = std::getenv(variable);
        if (value != nullptr && *value != '\0') return value;
    }
    return {};
}

// The codeset part of language[_territory][.codeset][@modifier], "" without one.
std::string_view CodesetOfName(std::string_view localeName) {
    const std::size_t dot = localeName.find('.');
    if (dot == std::string_view::npos) return {};
    const std::string_view rest = localeName.substr(dot + 1);
    return rest.substr(0, rest.find('@'));
}

}  // namespace

int CodePageForLocale(std::string_view localeName, std::string_view codeset) {
    // language[_territory][.codeset][@modifier]
    const std::string_view language = localeName.substr(0, localeName.find_first_of("_.@"));
    std::string_view territory;
    if (language.size() < localeName.size() && localeName[language.size()] == '_') {
        territory = localeName.substr(language.size() + 1);
        territory = territory.substr(0, territory.find_first_of(".@"));
    }
    for (const auto& rule : kLanguageRules)
        if (language == rule.language && (rule.territory.empty() || territory == rule.territory)) return rule.codePage;
    for (const auto& rule : kCodesetRules)
        if (CodesetStartsWith(codeset, rule.prefix)) return rule.codePage;
    return kSingleBytePage;
}

int CodePageOfLocale() {
    const char* active = std::setlocale(LC_CTYPE, nullptr);
    const std::string_view named = NamedCharacterTypeLocale();
    // A locale that is not installed cannot be set, and the process stays in "C"; the name the
    // user chose still says which code page the texts are in.
    if (!named.empty() && (active == nullptr || named != active)) return CodePageForLocale(named, CodesetOfName(named));
    return CodePageForLocale(active ? active : "", nl_langinfo(CODESET));
}

CodePageText::CodePageText(int codePage)
    : codePage_(codePage),
      toUtf8_(iconv_open("UTF-8", IconvNameOf(codePage))),
      fromUtf8_(iconv_open(IconvNameOf(codePage), "UTF-8")) {}

CodePageText::~CodePageText() {
    if (toUtf8_ != reinterpret_cast<iconv_t>(-1)) iconv_close(toUtf8_);
    if (fromUtf8_ != reinterpret_cast<iconv_t>(-1)) iconv_close(fromUtf8_);
}

QString CodePageText::Decode(std::string_view bytes) const {
    std::string text;
    if (toUtf8_ == reinterpret_cast<iconv_t>(-1)) {
        text.assign(bytes);  // no converter: only ASCII will read right
    } else {
        text = Convert(toUtf8_, bytes, OneByte);
    }
    return QString::fromUtf8(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

std::string CodePageText::Encode(const QString& text) const {
    const QByteArray utf8 = QString(text).replace(QLatin1Char('\n'), QStringLiteral("\r\n")).toUtf8();
    const std::string_view input(utf8.constData(), static_cast<std::size_t>(utf8.size()));
    if (fromUtf8_ == reinterpret_cast<iconv_t>(-1)) return std::string(input);
    return Convert(fromUtf8_, input, Utf8SequenceLength);
}

}  // namespace vesperine::qt
