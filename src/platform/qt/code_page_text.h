// The 8-bit texts of the core in the host's code page, to and from the Unicode text Qt shows.
#pragma once

#include <iconv.h>
#include <QString>
#include <string>
#include <string_view>

namespace vesperine::qt {

// The code page that the locale's character type implies: Japanese 932, simplified Chinese 936,
// Korean 949, traditional Chinese 950; anything else is taken as the single-byte page 1252.
// localeName is LC_CTYPE's name ("ja_JP.UTF-8"), codeset its character set ("UTF-8").
[[nodiscard]] int CodePageForLocale(std::string_view localeName, std::string_view codeset);
// The same for the locale the environment names for LC_CTYPE (LC_ALL, then LC_CTYPE, then
// LANG), installed or not: iconv converts without the locale. With none named, the process's
// current LC_CTYPE.
[[nodiscard]] int CodePageOfLocale();

// Converts through glibc's iconv. Bytes that do not form a character of the page show as "?",
// and characters the page lacks are written as "?". Line breaks: "\r\n" in the bytes is one
// line break in the shown text and back.
class CodePageText {
public:
    explicit CodePageText(int codePage);
    ~CodePageText();
    CodePageText(const CodePageText&) = delete;
    CodePageText& operator=(const CodePageText&) = delete;

    [[nodiscard]] QString Decode(std::string_view bytes) const;
    [[nodiscard]] std::string Encode(const QString& text) const;
    [[nodiscard]] int codePage() const { return codePage_; }

private:
    int codePage_;
    iconv_t toUtf8_;
    iconv_t fromUtf8_;
};

}  // namespace vesperine::qt
