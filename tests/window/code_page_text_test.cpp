// The locale's code page, the conversions of the code page's texts, and the pushed-bytes rule.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QPlainTextEdit>
#include <clocale>
#include <cstdlib>
#include <optional>
#include <string>

#include "platform/qt/code_page_text.h"
#include "window_harness.h"

namespace vesperine::qt::testing {
namespace {

struct LocaleCase {
    const char* name;
    const char* codeset;
    int codePage;
};

TEST(CodePageForLocale, FollowsTheLanguageThenTheCharacterSet) {
    const LocaleCase cases[] = {
        {"ja_JP.UTF-8", "UTF-8", 932}, {"ja_JP.eucJP", "EUC-JP", 932}, {"zh_CN.UTF-8", "UTF-8", 936},
        {"zh_SG.GBK", "GBK", 936},     {"zh_TW.UTF-8", "UTF-8", 950},  {"zh_HK.big5hkscs", "BIG5-HKSCS", 950},
        {"ko_KR.UTF-8", "UTF-8", 949}, {"en_US.UTF-8", "UTF-8", 1252}, {"de_DE@euro", "ISO-8859-15", 1252},
        {"C", "ANSI_X3.4-1968", 1252}, {"C.UTF-8", "UTF-8", 1252},     {"xx", "SHIFT_JIS", 932},
        {"kok_IN", "UTF-8", 1252},     {"zh", "UTF-8", 936},           {"ja", "UTF-8", 932},
        {"xx", "sjis", 932},           {"xx", "eucKR", 949},           {"xx", "euc-cn", 936},
    };
    for (const LocaleCase& c : cases) EXPECT_EQ(CodePageForLocale(c.name, c.codeset), c.codePage) << c.name;
}

// Sets the three locale variables for as long as it lives (nullptr: unset), then restores them.
class LocaleEnvironment {
public:
    LocaleEnvironment(const char* all, const char* ctype, const char* lang) {
        const char* values[] = {all, ctype, lang};
        for (int i = 0; i < 3; ++i) {
            const char* old = std::getenv(kNames[i]);
            saved_[i] = old ? std::optional<std::string>(old) : std::nullopt;
            Set(kNames[i], values[i]);
        }
    }
    ~LocaleEnvironment() {
        for (int i = 0; i < 3; ++i) Set(kNames[i], saved_[i] ? saved_[i]->c_str() : nullptr);
    }
    LocaleEnvironment(const LocaleEnvironment&) = delete;
    LocaleEnvironment& operator=(const LocaleEnvironment&) = delete;

private:
    static void Set(const char* name, const char* value) {
        if (value) setenv(name, value, 1);
        else unsetenv(name);
    }
    static constexpr const char* kNames[3] = {"LC_ALL", "LC_CTYPE", "LANG"};
    std::optional<std::string> saved_[3];
};

bool Installed(const char* locale) {
    locale_t handle = newlocale(LC_CTYPE_MASK, locale, nullptr);
    if (handle) freelocale(handle);
    return handle != nullptr;
}

TEST(CodePageOfLocale, TheNameTheEnvironmentGivesCountsThoughTheLocaleIsNotInstalled) {
    const struct {
        const char* all;
        const char* ctype;
        const char* lang;
        int codePage;
    } cases[] = {
        {"ja_JP.UTF-8", "en_US.UTF-8", "ko_KR.UTF-8", 932},  // LC_ALL first
        {nullptr, "zh_TW.UTF-8", "ja_JP.UTF-8", 950},        // then LC_CTYPE
        {"", "", "ko_KR.UTF-8", 949},                        // then LANG; empty counts as unset
        {nullptr, nullptr, "zh_CN.GB18030", 936},
        {nullptr, nullptr, "zh_HK.UTF-8", 950},
        {nullptr, nullptr, "xx_YY.SJIS", 932},  // by the codeset in the name
        {nullptr, nullptr, "en_US.UTF-8", 1252},
    };
    if (Installed("ja_JP.UTF-8")) std::fputs("note: ja_JP.UTF-8 is installed here\n", stderr);
    for (const auto& c : cases) {
        LocaleEnvironment environment(c.all, c.ctype, c.lang);
        EXPECT_EQ(CodePageOfLocale(), c.codePage)
            << (c.all ? c.all : "-") << " " << (c.ctype ? c.ctype : "-") << " " << (c.lang ? c.lang : "-");
    }
}

TEST(CodePageOfLocale, AJapaneseNameGivesAWindowThatShowsShiftJis) {
    int codePage = 0;
    {
        LocaleEnvironment environment(nullptr, nullptr, "ja_JP.UTF-8");
        codePage = CodePageOfLocale();
    }
    WindowHarness h(codePage);
    h.LoadBase({0x82, 0xA0, 0x83, 0x41, 'A'});
    EXPECT_EQ(h.W<QPlainTextEdit>(ids::kBaseText)->toPlainText().left(3), QStringLiteral("あアA"));
}

TEST(CodePageText, ConvertsTheDoubleBytePages) {
    EXPECT_EQ(CodePageText(932).Decode("\x82\xa0\x83\x41"), QStringLiteral("あア"));
    EXPECT_EQ(CodePageText(932).Encode(QStringLiteral("あア")), "\x82\xa0\x83\x41");
    EXPECT_EQ(CodePageText(932).Decode("\xb1"), QStringLiteral("ｱ")) << "half-width katakana are single bytes";
    EXPECT_EQ(CodePageText(936).Decode("\xc4\xe3"), QStringLiteral("你"));
    EXPECT_EQ(CodePageText(949).Decode("\xc7\xd1"), QStringLiteral("한"));
    EXPECT_EQ(CodePageText(950).Decode("\xa7\x41"), QStringLiteral("你"));
}

TEST(CodePageText, ShowsBrokenBytesAndWritesMissingCharactersAsQuestionMarks) {
    EXPECT_EQ(CodePageText(932).Decode("A\x82"), QStringLiteral("A?")) << "a lone lead byte";
    EXPECT_EQ(CodePageText(932).Decode("\xa0Z"), QStringLiteral("?Z"));
    EXPECT_EQ(CodePageText(1252).Decode("\x80\x81"), QStringLiteral("€?"));
    EXPECT_EQ(CodePageText(932).Encode(QStringLiteral("a€b")), "a?b");
    EXPECT_EQ(CodePageText(1252).Encode(QStringLiteral("aあ😀b")), "a??b");
}

TEST(CodePageText, CrLfIsOneLineBreakOnScreen) {
    const CodePageText text(1252);
    EXPECT_EQ(text.Decode("a\r\nb\r\n"), QStringLiteral("a\nb\n"));
    EXPECT_EQ(text.Encode(QStringLiteral("a\nb")), "a\r\nb");
}

TEST(QtHostText, AnEditedControlGivesItsNewTextInTheCodePage) {
    WindowHarness h(932);
    h.host.SetControlText(ids::kBaseText, "\x82");
    EXPECT_EQ(h.Text(ids::kBaseText), "\x82");
    h.W<QPlainTextEdit>(ids::kBaseText)->setPlainText(QStringLiteral("あ\nb"));
    EXPECT_EQ(h.Text(ids::kBaseText), "\x82\xa0\r\nb");
    h.host.SetControlText(ids::kMemo, "\x82\xa0 note");
    EXPECT_EQ(h.W<QPlainTextEdit>(ids::kMemo)->toPlainText(), QStringLiteral("あ note"));
}

TEST(QtHostText, PathsAreFileNamesNotCodePageText) {
    WindowHarness h(932);
    h.host.SetControlText(ids::kBasePath, "/roms/\xe6\x97\xa5.bin");
    EXPECT_EQ(h.W<QLineEdit>(ids::kBasePath)->text(), QStringLiteral("/roms/日.bin"));
    EXPECT_TRUE(h.W<QLineEdit>(ids::kBasePath)->isReadOnly());
    h.prompts.files.push_back(QStringLiteral("/roms/日.bin"));
    EXPECT_EQ(h.host.ChooseOpenFile(), std::optional<std::string>("/roms/\xe6\x97\xa5.bin"));
}

TEST(QtHostText, TheCodePageIsTheOneChosenAtStart) {
    EXPECT_EQ(WindowHarness(949).host.CodePage(), 949);
    EXPECT_EQ(WindowHarness(1252).host.CodePage(), 1252);
}

}  // namespace
}  // namespace vesperine::qt::testing
