// A finding of the dump diagnosis: what was seen, how serious it is, the numbers behind it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "base/format.h"

namespace vesperine::diagnosis {

// Fault: the reader or the chip is very likely at fault (a stuck data line, a dead address
// line, a blank chip). Warning: the dump is suspicious but may be what the chip holds (an
// overdump, an unused byte lane). Info: a plain description (fills of FF or 00).
enum class Severity { Fault, Warning, Info };

enum class FindingKind {
    Blank,        // every byte FF or 00
    Constant,     // every byte the same other value
    Overdump,     // the file is k copies of its first length/k bytes
    AddressLine,  // one address line has no effect
    DataLine,     // one data line never toggles
    ByteLane,     // a byte lane all 00 or all FF
    Fill,         // a region all FF or all 00
    TooShort,     // too few bytes to judge the lines
};

// One number behind a finding, named, and how a person reads it: offsets and byte values in hex.
struct Evidence {
    std::string name;
    std::uint64_t value = 0;
    int hexDigits = 0;  // 0: decimal; otherwise hexadecimal with at least this many digits
};

struct Finding {
    FindingKind kind = FindingKind::TooShort;
    Severity severity = Severity::Info;
    std::string scope;  // "" for the whole file, otherwise the byte lane ("odd lane", "even lane")
    int line = -1;      // the data or address line for DataLine and AddressLine, as named in text
    std::string text;   // one line for a person at the programmer
    std::vector<Evidence> evidence;
};

[[nodiscard]] const char* SeverityName(Severity severity);  // "fault", "warning", "info"
[[nodiscard]] const char* KindName(FindingKind kind);       // "blank", "data-line", ...

}  // namespace vesperine::diagnosis
