// Arguments as UTF-8, wildcard expansion and the console's settings, on Windows and elsewhere.
#include "platform/console.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include "platform/windows_api.h"
// windows.h first: shellapi.h needs its types.
#include <shellapi.h>
#else
#include <unistd.h>
#endif

namespace vesperine {

std::vector<std::string> ExpandWildcards(const std::vector<std::string>& arguments, const WildcardMatcher& match) {
    std::vector<std::string> expanded;
    for (std::size_t k = 0; k < arguments.size(); ++k) {
        const std::string& argument = arguments[k];
        const std::size_t lastPart = argument.find_last_of("\\/:") + 1;  // npos + 1 is 0
        const bool pattern = k > 0 && !argument.empty() && argument[0] != '-' &&
                             argument.find_first_of("*?", lastPart) != std::string::npos;
        std::vector<std::string> files = pattern ? match(argument) : std::vector<std::string>{};
        if (files.empty()) {
            expanded.push_back(argument);
        } else {
            expanded.insert(expanded.end(), files.begin(), files.end());
        }
    }
    return expanded;
}

#ifdef _WIN32
namespace {

std::string Narrow(const wchar_t* text) {
    const int count = ::WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (count <= 1) return {};
    std::string narrow(static_cast<std::size_t>(count), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text, -1, narrow.data(), count, nullptr, nullptr);
    narrow.pop_back();  // the terminating null
    return narrow;
}

std::wstring Widen(const std::string& text) {
    const int count = ::MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, nullptr, 0);
    if (count <= 1) return {};
    std::wstring wide(static_cast<std::size_t>(count), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, wide.data(), count);
    wide.pop_back();
    return wide;
}

// What PrepareConsole changed, for RestoreConsole; 0 where nothing was.
std::atomic<UINT> savedCodePage{0};
std::atomic<DWORD> savedErrorMode{0};
std::atomic<bool> errorModeChanged{false};

}  // namespace

std::vector<std::string> MatchingFiles(const std::string& pattern) {
    const std::size_t lastPart = pattern.find_last_of("\\/:") + 1;
    const std::string folder = pattern.substr(0, lastPart);
    std::vector<std::string> files;
    WIN32_FIND_DATAW entry;
    const HANDLE find = ::FindFirstFileW(Widen(pattern).c_str(), &entry);
    if (find == INVALID_HANDLE_VALUE) return files;
    do {
        const std::wstring name = entry.cFileName;
        if (name == L"." || name == L"..") continue;
        files.push_back(folder + Narrow(name.c_str()));
    } while (::FindNextFileW(find, &entry) != 0);
    ::FindClose(find);
    std::sort(files.begin(), files.end());
    return files;
}

std::vector<std::string> ProgramArguments(int argc, char** argv) {
    int count = 0;
    wchar_t** wide = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    if (wide == nullptr) return {argv, argv + argc};
    std::vector<std::string> arguments;
    for (int k = 0; k < count; ++k) arguments.push_back(Narrow(wide[k]));
    ::LocalFree(static_cast<HLOCAL>(wide));
    return ExpandWildcards(arguments, MatchingFiles);
}

bool IsTerminal(std::FILE* stream) {
    const auto handle =
        reinterpret_cast<HANDLE>(::_get_osfhandle(::_fileno(stream)));  // NOLINT(performance-no-int-to-ptr)
    DWORD mode = 0;
    return handle != INVALID_HANDLE_VALUE && ::GetConsoleMode(handle, &mode) != 0;
}

void PrepareConsole() {
    std::fflush(stdout);
    std::fflush(stderr);
    ::_setmode(::_fileno(stdout), _O_BINARY);
    ::_setmode(::_fileno(stderr), _O_BINARY);
    if (::GetConsoleOutputCP() != 0 && ::GetConsoleOutputCP() != CP_UTF8) {
        savedCodePage = ::GetConsoleOutputCP();
        ::SetConsoleOutputCP(CP_UTF8);
    }
    const HANDLE error = ::GetStdHandle(STD_ERROR_HANDLE);
    DWORD mode = 0;
    if (error != INVALID_HANDLE_VALUE && ::GetConsoleMode(error, &mode) != 0 &&
        (mode & ENABLE_VIRTUAL_TERMINAL_PROCESSING) == 0 &&
        ::SetConsoleMode(error, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0) {
        savedErrorMode = mode;
        errorModeChanged = true;
    }
    std::atexit(RestoreConsole);
}

void RestoreConsole() {
    if (const UINT codePage = savedCodePage.exchange(0); codePage != 0) ::SetConsoleOutputCP(codePage);
    if (errorModeChanged.exchange(false)) ::SetConsoleMode(::GetStdHandle(STD_ERROR_HANDLE), savedErrorMode);
}

#else

std::vector<std::string> MatchingFiles(const std::string& /*pattern*/) { return {}; }

std::vector<std::string> ProgramArguments(int argc, char** argv) { return {argv, argv + argc}; }

bool IsTerminal(std::FILE* stream) { return ::isatty(::fileno(stream)) != 0; }

void PrepareConsole() {}

void RestoreConsole() {}

#endif

}  // namespace vesperine
