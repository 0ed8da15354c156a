// The real vesperine-cli interrupted at fixed points of a write: targets old or new, never partial,
// and no temporary left but by SIGKILL; plus a second writer, a file-size limit and FIFOs.
#include <gtest/gtest.h>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "support/posix_only.h"
#include "support/scratch_dir.h"

namespace vesperine::cli {
namespace {

namespace fs = std::filesystem;
using vesperine::testing::ScratchDir;

#ifndef _WIN32

// The program beside this test's: build/tests/cli_tests and build/src/cli/vesperine-cli.
std::string Program() {
    return (fs::read_symlink("/proc/self/exe").parent_path() / "../src/cli/vesperine-cli").string();
}

// Starts the program in folder, its standard error to folder/stderr (its output to nowhere), with the default signal
// actions, stopping itself at stopAt (VESPERINE_TEST_STOP_AT) when given, with a file-size
// limit when fileLimit is not zero.
pid_t Start(const fs::path& folder, const std::vector<std::string>& args, const char* stopAt = nullptr,
            rlim_t fileLimit = 0) {
    const pid_t pid = ::fork();
    if (pid != 0) return pid;
    for (const int signal : {SIGINT, SIGTERM, SIGHUP, SIGXFSZ}) std::signal(signal, SIG_DFL);
    const int err = ::open((folder / "stderr").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const int out = ::open("/dev/null", O_WRONLY);
    if (err < 0 || out < 0 || ::dup2(err, 2) < 0 || ::dup2(out, 1) < 0 || ::chdir(folder.c_str()) != 0) ::_exit(127);
    if (stopAt != nullptr) ::setenv("VESPERINE_TEST_STOP_AT", stopAt, 1);
    const rlimit limit{fileLimit, fileLimit};
    if (fileLimit != 0) ::setrlimit(RLIMIT_FSIZE, &limit);
    const std::string program = Program();
    std::vector<char*> argv{const_cast<char*>(program.c_str())};
    for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    ::execv(program.c_str(), argv.data());
    ::_exit(127);
}

// Waits for the child to stop or end; its wait status.
int Wait(pid_t pid) {
    int status = 0;
    ::waitpid(pid, &status, WUNTRACED);
    return status;
}

// Runs to the end: the exit status (or 128 + the signal) and what was said on standard error.
std::pair<int, std::string> RunProgram(const fs::path& folder, const std::vector<std::string>& args,
                                       rlim_t fileLimit = 0) {
    const int status = Wait(Start(folder, args, nullptr, fileLimit));
    return {WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status),
            ScratchDir::Read((folder / "stderr").string())};
}

std::vector<std::string> Leftovers(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
        if (entry.path().extension() == ".vesperine-part") names.push_back(entry.path().filename().string());
    }
    return names;
}

TEST(InterruptedWritesTest, ATargetIsOldOrNewAndOnlySigkillLeavesATemporaryThatTheNextRunNames) {
    VESPERINE_POSIX_ONLY("signals and fork");
    if (!fs::exists(Program())) GTEST_SKIP() << "vesperine-cli is not built";
    // The parts as an uninterrupted run writes them: the "new" each target may only become.
    const ScratchDir reference("vesperine-kill-ref-");
    std::string rom(1 << 20, '\0');
    for (std::size_t k = 0; k < rom.size(); ++k) rom[k] = static_cast<char>(k * 7 + k / 251);
    reference.Write("a.bin", rom);
    ASSERT_EQ(RunProgram(reference.path(), {"split", "a.bin", "--ways", "2", "-o", "out{n}.bin"}).first, 0);
    const std::string fresh[] = {ScratchDir::Read(reference.Path("out0.bin")),
                                 ScratchDir::Read(reference.Path("out1.bin"))};
    for (const char* point : {"created", "staged", "renamed"}) {
        for (const int signal : {SIGINT, SIGTERM, SIGHUP, SIGKILL}) {
            SCOPED_TRACE(std::string(point) + " " + strsignal(signal));
            const ScratchDir dir("vesperine-kill-");
            dir.Write("a.bin", rom);
            const std::string old[] = {dir.Write("out0.bin", "old 0"), dir.Write("out1.bin", "old 1")};
            const pid_t child = Start(dir.path(), {"split", "a.bin", "--ways", "2", "-o", "out{n}.bin"}, point);
            ASSERT_TRUE(WIFSTOPPED(Wait(child)));
            ::kill(child, signal);
            ::kill(child, SIGCONT);
            const int ended = Wait(child);
            ASSERT_TRUE(WIFSIGNALED(ended));
            EXPECT_EQ(WTERMSIG(ended), signal);
            for (int n = 0; n < 2; ++n) {
                const std::string now = ScratchDir::Read(old[n]);
                EXPECT_TRUE(now == "old " + std::to_string(n) || now == fresh[n]) << "out" << n << " is partial";
            }
            const std::vector<std::string> left = Leftovers(dir.path());
            if (signal != SIGKILL) {
                EXPECT_TRUE(left.empty()) << left.front();
                continue;
            }
            // Killed at its first stop: out0's temporary when staging, out1's once out0 is renamed.
            ASSERT_EQ(left.size(), 1u);
            EXPECT_EQ(left[0], std::string(point) == std::string("renamed") ? "out1.bin.vesperine-part"
                                                                            : "out0.bin.vesperine-part");
            const auto [status, err] = RunProgram(dir.path(), {"split", "a.bin", "--ways", "2", "-o", "out{n}.bin"});
            EXPECT_EQ(status, 2);
            const std::string& part = left[0];
            EXPECT_NE(err.find(part +
                               " exists: another vesperine or vesperine-cli is writing this file, or a run was "
                               "killed; remove " +
                               part + " if none is running: nothing written"),
                      std::string::npos)
                << err;
        }
    }
}

TEST(InterruptedWritesTest, AFileSizeLimitIsAWriteErrorAndAFifoIsWrittenLastOrRefused) {
    VESPERINE_POSIX_ONLY("file-size limits and FIFOs");
    if (!fs::exists(Program())) GTEST_SKIP() << "vesperine-cli is not built";
    const ScratchDir dir("vesperine-kill-");
    dir.Write("a.bin", std::string(200000, 'a'));
    dir.Write("out.bin", "old");
    EXPECT_EQ(RunProgram(dir.path(), {"extract", "a.bin", "-o", "out.bin"}, 100000),
              std::make_pair(2, std::string("vesperine-cli: out.bin: Write error.\n")));
    EXPECT_EQ(ScratchDir::Read(dir.Path("out.bin")), "old");
    EXPECT_TRUE(Leftovers(dir.path()).empty());

    // Nobody reads q: refused at once rather than waiting for a reader.
    ASSERT_TRUE(vesperine::testing::MakeFifo(dir.Path("q")));
    EXPECT_EQ(RunProgram(dir.path(), {"extract", "a.bin", "-o", "q"}),
              std::make_pair(2, std::string("vesperine-cli: q: no process is reading this FIFO: nothing written\n")));
    // d0/q has a reader; d1/q cannot be made, so d0/q gets nothing. With d1 a folder, it gets
    // its part after d1/q is in place.
    fs::create_directory(dir.path() / "d0");
    ASSERT_TRUE(vesperine::testing::MakeFifo(dir.Path("d0/q")));
    const int reader = ::open(dir.Path("d0/q").c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    dir.Write("b.bin", std::string(60000, 'b'));  // parts that fit in the FIFO's buffer
    EXPECT_EQ(RunProgram(dir.path(), {"split", "b.bin", "--ways", "2", "-o", "d{n}/q"}).first, 2);
    char byte = 0;
    EXPECT_EQ(::read(reader, &byte, 1), 0) << "the FIFO got data of a group that failed";
    fs::create_directory(dir.path() / "d1");
    EXPECT_EQ(RunProgram(dir.path(), {"split", "b.bin", "--ways", "2", "-o", "d{n}/q"}).first, 0);
    std::string got(65536, '\0');
    got.resize(static_cast<std::size_t>(std::max<ssize_t>(0, ::read(reader, got.data(), got.size()))));
    ::close(reader);
    EXPECT_EQ(got, std::string(30000, 'b'));
    EXPECT_EQ(ScratchDir::Read(dir.Path("d1/q")), std::string(30000, 'b'));
}

#else

// Windows has no signals to stop a child at a point and no file-size limit; its interruption is
// the console handler's, which removes the same registered temporaries.
TEST(InterruptedWritesTest, SignalsAndFileSizeLimitsArePosixOnly) {
    VESPERINE_POSIX_ONLY("signals, fork, rlimits, FIFOs");
}

#endif

}  // namespace
}  // namespace vesperine::cli
