// The command line: its reading, the program's answers without a display, and files loaded at start.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QProcess>
#include <QTest>
#include <filesystem>
#include <vector>

#include "platform/qt/command_line.h"
#include "platform/qt/main_app.h"
#include "platform/std_file_system.h"
#include "support/scratch_dir.h"
#include "window_harness.h"

namespace vesperine::qt::testing {
namespace {

using Action = CommandLine::Action;

CommandLine Parse(std::vector<const char*> arguments) { return ParseCommandLine(arguments); }

TEST(CommandLine, ReadsOptionsAndUpToTwoFiles) {
    const struct {
        std::vector<const char*> arguments;
        Action action;
        std::optional<std::string> base;
        std::optional<std::string> mask;
    } cases[] = {
        {{}, Action::Run, std::nullopt, std::nullopt},
        {{"/roms/a.bin"}, Action::Run, "/roms/a.bin", std::nullopt},
        {{"/roms/a.bin", "/roms/m.bin"}, Action::Run, "/roms/a.bin", "/roms/m.bin"},
        {{"/roms/./a.bin"}, Action::Run, "/roms/a.bin", std::nullopt},
        // No /roms/x to resolve ".." from: kept as given, which opens nothing, as given.
        {{"/roms/./x/../a.bin"}, Action::Run, "/roms/./x/../a.bin", std::nullopt},
        {{"--", "--help", "-m"}, Action::Run, "/--help", "/-m"},  // the test runs in "/"
        {{"-"}, Action::Run, "/-", std::nullopt},
        {{"--help"}, Action::Help, std::nullopt, std::nullopt},
        {{"-h"}, Action::Help, std::nullopt, std::nullopt},
        {{"/roms/a.bin", "--version"}, Action::Version, std::nullopt, std::nullopt},
        {{"--bogus", "--help"}, Action::Help, std::nullopt, std::nullopt},
        {{"--bogus"}, Action::Refuse, std::nullopt, std::nullopt},
        {{"-x", "/roms/a.bin"}, Action::Refuse, std::nullopt, std::nullopt},
        {{"a", "b", "c"}, Action::Refuse, std::nullopt, std::nullopt},
    };
    const std::filesystem::path saved = std::filesystem::current_path();
    std::filesystem::current_path("/");
    for (const auto& c : cases) {
        const CommandLine line = Parse(c.arguments);
        SCOPED_TRACE(c.arguments.empty() ? "(none)" : c.arguments[0]);
        EXPECT_EQ(line.action, c.action);
        EXPECT_EQ(line.files.base, c.base);
        EXPECT_EQ(line.files.mask, c.mask);
        EXPECT_EQ(line.refusal.empty(), c.action != Action::Refuse);
    }
    std::filesystem::current_path(saved);
}

TEST(CommandLine, ARelativePathIsTakenFromTheCurrentFolder) {
    vesperine::testing::ScratchDir scratch("vesperine-cmdline-");
    const std::filesystem::path saved = std::filesystem::current_path();
    std::filesystem::current_path(scratch.path());
    // ".." after a link leaves the folder the link leads to, as the system resolves it.
    std::filesystem::create_directories(scratch.path() / "deep" / "inner");
    std::filesystem::create_directory_symlink(scratch.path() / "deep" / "inner", scratch.path() / "sub");
    const CommandLine line = Parse({"rom.bin", "sub/../mask.bin"});
    std::filesystem::current_path(saved);
    EXPECT_EQ(line.files.base, scratch.Path("rom.bin"));
    EXPECT_EQ(line.files.mask, (std::filesystem::canonical(scratch.path()) / "deep" / "mask.bin").string());
}

TEST(CommandLine, RefusalsNameWhatIsWrong) {
    EXPECT_NE(Parse({"--bogus"}).refusal.find("'--bogus'"), std::string::npos);
    EXPECT_NE(Parse({"a", "b", "c"}).refusal.find("too many files"), std::string::npos);
}

struct Outcome {
    int status;
    QString out;
    QString err;
};

// The program itself, with no display to open.
Outcome RunProgram(const QStringList& arguments) {
    QProcess program;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) environment.remove(QLatin1String(name));
    program.setProcessEnvironment(environment);
    program.start(QStringLiteral(VESPERINE_PROGRAM), arguments);
    program.closeWriteChannel();
    if (!program.waitForFinished(20000)) return {-1, {}, {}};
    return {program.exitStatus() == QProcess::NormalExit ? program.exitCode() : -1,
            QString::fromLocal8Bit(program.readAllStandardOutput()),
            QString::fromLocal8Bit(program.readAllStandardError())};
}

TEST(Program, HelpAndVersionNeedNoDisplay) {
    const Outcome help = RunProgram({QStringLiteral("--help")});
    EXPECT_EQ(help.status, 0);
    EXPECT_TRUE(help.out.startsWith(QStringLiteral("Usage: vesperine [BASE [MASK]]\n"))) << help.out.toStdString();
    EXPECT_EQ(help.err, QString());
    const Outcome version = RunProgram({QStringLiteral("--version")});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out,
              QStringLiteral("vesperine 1.40\n"
                             "Copyright (C) 2026 the Vesperine developers.\n"
                             "License GPLv3+: GNU GPL version 3 or later <https://gnu.org/licenses/gpl.html>.\n"
                             "This is free software: you are free to change and redistribute it.\n"
                             "There is NO WARRANTY, to the extent permitted by law.\n"));
}

TEST(Program, WrongUsageEndsWithStatusTwoAndSaysWhy) {
    const Outcome unknown = RunProgram({QStringLiteral("--bogus")});
    EXPECT_EQ(unknown.status, 2);
    EXPECT_EQ(unknown.out, QString());
    EXPECT_TRUE(unknown.err.startsWith(QStringLiteral("vesperine: unknown option '--bogus'\n")))
        << unknown.err.toStdString();
    const Outcome many = RunProgram({QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")});
    EXPECT_EQ(many.status, 2);
    EXPECT_TRUE(many.err.contains(QStringLiteral("too many files"))) << many.err.toStdString();
    EXPECT_EQ(RunProgram({QStringLiteral("/roms/a.bin")}).status, 1) << "files, but no display";
}

// The program's pieces on real files, started with files as the program starts with them.
struct StartHarness {
    ScriptedPrompts prompts;
    StdFileSystem files;
    MainWindow window;
    QtHost host{window, prompts, 1252};
    MainDialog dialog{host, files};

    explicit StartHarness(const StartFiles& start) {
        window.Attach(dialog);
        QueueStartFiles(window, dialog, start);
        window.Open();
        QTest::qWait(0);
        QCoreApplication::processEvents();
    }
    [[nodiscard]] QString Shown(int id) const { return qobject_cast<QLineEdit*>(window.Control(id))->text(); }
};

TEST(StartFiles, LoadAsIfChosenInTheOpenDialogs) {
    vesperine::testing::ScratchDir scratch("vesperine-start-");
    const std::string base = scratch.Write("base.bin", "123456789");
    const std::string mask = scratch.Write("mask.bin", std::string(3, '\xFF'));
    StartHarness h({base, mask});
    EXPECT_TRUE(h.prompts.messages.empty());
    EXPECT_TRUE(h.prompts.fileDialogs.empty());
    EXPECT_EQ(h.Shown(ids::kBasePath), QString::fromStdString(base));
    EXPECT_EQ(h.Shown(ids::kMaskPath), QString::fromStdString(mask));
    EXPECT_EQ(h.Shown(ids::kAreaStart), QStringLiteral("0"));
    EXPECT_EQ(h.Shown(ids::kAreaEnd), QStringLiteral("00000009"));
    EXPECT_TRUE(h.host.ControlText(ids::kBaseHex).starts_with("00000000 31 32 33 34 35 36 37 38 39"));
    EXPECT_EQ(h.dialog.workspace().maskLength(), 3u);
    EXPECT_EQ(h.window.focusWidget(), h.window.Control(ids::kBaseHex)) << "the start state otherwise";
}

TEST(StartFiles, AMissingFileIsNotFoundAndTheMaskStillLoads) {
    vesperine::testing::ScratchDir scratch("vesperine-start-");
    const std::string mask = scratch.Write("mask.bin", "M");
    StartHarness h({scratch.Path("missing.bin"), mask});
    ASSERT_EQ(h.prompts.messages.size(), 1u);
    EXPECT_EQ(h.prompts.messages[0].text, QStringLiteral("File not found."));
    EXPECT_EQ(h.prompts.messages[0].caption, QString::fromStdString(scratch.Path("missing.bin")));
    EXPECT_EQ(h.dialog.workspace().baseLength(), 0u);
    EXPECT_EQ(h.Shown(ids::kAreaEnd), QString());
    EXPECT_EQ(h.dialog.workspace().maskLength(), 1u);
}

TEST(StartFiles, AFileOf2GiBIsRefusedByItsSize) {
    vesperine::testing::ScratchDir scratch("vesperine-start-");
    const std::string big = scratch.Path("big.bin");
    { std::ofstream create(big, std::ios::binary); }
    std::filesystem::resize_file(big, std::uintmax_t{2} << 30);  // sparse: no disk space used
    StartHarness h({big, std::nullopt});
    ASSERT_EQ(h.prompts.messages.size(), 1u);
    EXPECT_EQ(h.prompts.messages[0].text, QStringLiteral("File too large: 2 GiB or more cannot be loaded."));
    EXPECT_EQ(h.prompts.messages[0].caption, QString::fromStdString(big));
    EXPECT_EQ(h.dialog.workspace().baseLength(), 0u);
}

}  // namespace
}  // namespace vesperine::qt::testing
