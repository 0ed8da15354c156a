// The program's arguments and console as the system gives them: UTF-8 in, UTF-8 out, everywhere.
#pragma once

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace vesperine {

// The arguments as UTF-8, the program's name first. On Windows they are taken from
// CommandLineToArgvW, as argv holds them in the ANSI code page ("日本語.bin" arrives as
// "???.bin"), and file patterns are expanded (ExpandWildcards with MatchingFiles), as cmd.exe
// leaves that to the program; elsewhere argv as it is, which the shell has expanded.
[[nodiscard]] std::vector<std::string> ProgramArguments(int argc, char** argv);

// The files of the folder a pattern names whose names match its last part (* and ? as
// FindFirstFileW reads them), as "folder\name" spelt as the pattern spells its folder, in
// ordinal order; "." and ".." never. Only on Windows; empty elsewhere.
using WildcardMatcher = std::function<std::vector<std::string>(const std::string& pattern)>;
[[nodiscard]] std::vector<std::string> MatchingFiles(const std::string& pattern);

// Each argument that is not an option (no leading '-') and holds * or ? in its last part,
// replaced by the files match finds for it; kept as it is when none matches, as the C
// runtime's own expansion does, so that the command says which file is missing. The first
// argument (the program) is never expanded.
[[nodiscard]] std::vector<std::string> ExpandWildcards(const std::vector<std::string>& arguments,
                                                       const WildcardMatcher& match);

// Whether stream reaches a terminal a person watches. On Windows a console only: _isatty says
// yes to every character device, NUL among them, where a progress line is only noise.
[[nodiscard]] bool IsTerminal(std::FILE* stream);

// For programs, at the start. On Windows: standard output and error in binary mode (lines end
// in LF as on Linux, and what the program writes reaches a file or pipe byte for byte), the
// console's output code page UTF-8, and virtual-terminal processing on for the progress lines;
// the code page and the console's mode are put back when the program ends, normally or by
// Ctrl+C or Ctrl+Break (RestoreConsole, which the console handler calls). Nothing elsewhere.
void PrepareConsole();
// Puts back what PrepareConsole changed; safe to call more than once, and from the console handler.
void RestoreConsole();

}  // namespace vesperine
