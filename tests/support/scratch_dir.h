// Real files for tests: a fresh folder per test, and a file-size limit that fills the "disk".
#pragma once

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <process.h>
#include <windows.h>
// windows.h defines near and far as nothing (16-bit pointers), which would empty the CLI's
// --near option field and any variable so named in a test that includes this.
#undef near
#undef far
#else
#include <sys/resource.h>
#include <unistd.h>
#endif

#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include <gtest/gtest.h>

#include "files/utf8_path.h"
#include "support/test_bytes.h"

namespace vesperine::testing {

// A folder of its own for the running test, emptied when made and removed with everything in it.
class ScratchDir {
public:
    explicit ScratchDir(const std::string& prefix)
        : dir_(std::filesystem::temp_directory_path() /
               PathFromUtf8(prefix + std::to_string(::getpid()) + "-" +
                            ::testing::UnitTest::GetInstance()->current_test_info()->name())) {
        RemoveAll(dir_);
        std::filesystem::create_directories(dir_);
    }
    ~ScratchDir() {
        std::error_code ignored;
        std::filesystem::permissions(dir_, std::filesystem::perms::owner_all, std::filesystem::perm_options::add,
                                     ignored);
        RemoveAll(dir_);
    }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    [[nodiscard]] const std::filesystem::path& path() const { return dir_; }
    [[nodiscard]] std::string Path(const std::string& name) const { return Utf8FromPath(dir_ / PathFromUtf8(name)); }
    // Writes bytes as the file name and gives its path.
    std::string Write(const std::string& name, const std::string& bytes) const {
        std::ofstream(PathFromUtf8(Path(name)), std::ios::binary) << bytes;
        return Path(name);
    }
    [[nodiscard]] static std::string Read(const std::string& path) {
        const std::optional<std::vector<std::uint8_t>> bytes = FileBytes(path);
        return bytes ? std::string(bytes->begin(), bytes->end()) : std::string();
    }
    [[nodiscard]] long FileCount() const {
        return static_cast<long>(std::distance(std::filesystem::directory_iterator(dir_), {}));
    }

private:
    static void RemoveAll(const std::filesystem::path& dir) {
#ifdef _WIN32
        // MinGW's std::filesystem cannot remove paths past 260 characters; the \\?\ form can.
        RemoveTree(L"\\\\?\\" + std::filesystem::absolute(dir).wstring());
#else
        std::error_code ignored;
        std::filesystem::remove_all(dir, ignored);
#endif
    }
#ifdef _WIN32
    static void RemoveTree(const std::wstring& dir) {
        WIN32_FIND_DATAW entry;
        const HANDLE find = ::FindFirstFileW((dir + L"\\*").c_str(), &entry);
        if (find != INVALID_HANDLE_VALUE) {
            do {
                const std::wstring name = entry.cFileName;
                if (name == L"." || name == L"..") continue;
                const std::wstring path = dir + L"\\" + name;
                ::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
                if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
                    RemoveTree(path);
                } else {
                    ::DeleteFileW(path.c_str());
                }
            } while (::FindNextFileW(find, &entry) != 0);
            ::FindClose(find);
        }
        ::RemoveDirectoryW(dir.c_str());
    }
#endif

    std::filesystem::path dir_;
};

#ifdef _WIN32
// Windows has no per-process file-size limit: the tests that need one skip themselves there.
class FileSizeLimit {
public:
    explicit FileSizeLimit(unsigned long) {}
    [[nodiscard]] bool active() const { return false; }
};
#else
// While it lives, writes past limit bytes into any file fail with EFBIG, as on a disk that has
// filled up (the signal that would end the process is ignored meanwhile).
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t limit) : previousHandler_(std::signal(SIGXFSZ, SIG_IGN)) {
        ::getrlimit(RLIMIT_FSIZE, &saved_);
        rlimit small = saved_;
        small.rlim_cur = limit;
        active_ = ::setrlimit(RLIMIT_FSIZE, &small) == 0;
    }
    ~FileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &saved_);
        std::signal(SIGXFSZ, previousHandler_);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;
    [[nodiscard]] bool active() const { return active_; }

private:
    rlimit saved_{};
    void (*previousHandler_)(int);
    bool active_ = false;
};
#endif

}  // namespace vesperine::testing
