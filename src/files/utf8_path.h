// UTF-8 text and std::filesystem paths: the one conversion each way, on every system.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace vesperine {

// Every path the program holds is UTF-8 (arguments, DAT names, messages). std::filesystem reads
// a std::string in the system's narrow encoding: UTF-8 on Linux, but the ANSI code page with
// MinGW on Windows, where "Ärger.bin" would name another file and come back as mojibake. So no
// path is made from a std::string, nor a std::string from a path, but through these two.
// On Windows the text must be UTF-8 (arguments from CommandLineToArgvW are); on POSIX systems
// any bytes pass through unchanged.
[[nodiscard]] inline std::filesystem::path PathFromUtf8(std::string_view text) {
#ifdef _WIN32
    return std::filesystem::path(std::u8string(text.begin(), text.end()));
#else
    return std::filesystem::path(std::string(text));
#endif
}

[[nodiscard]] inline std::string Utf8FromPath(const std::filesystem::path& path) {
#ifdef _WIN32
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
#else
    return path.string();
#endif
}

// A path's last part and that part without its extension, as std::filesystem's filename() and
// stem() give them, taken from the text alone: a name that is not UTF-8 (a Latin-1 name on
// Linux) is still a name to refuse in words, where PathFromUtf8 would throw on Windows. The
// separators are '/' everywhere, and '\\' and a drive's ':' on Windows.
[[nodiscard]] inline std::string FileNameOf(std::string_view path) {
#ifdef _WIN32
    const std::size_t slash = path.find_last_of("/\\:");
#else
    const std::size_t slash = path.find_last_of('/');
#endif
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

[[nodiscard]] inline std::string StemOf(std::string_view path) {
    const std::string name = FileNameOf(path);
    const std::size_t dot = name.rfind('.');
    if (dot == std::string::npos || dot == 0 || name == "..") return name;
    return name.substr(0, dot);
}

}  // namespace vesperine
