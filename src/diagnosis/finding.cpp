// Names of severities and kinds, and the hexadecimal form of evidence.
#include "diagnosis/finding.h"

#include <cstdio>

namespace vesperine::diagnosis {

const char* SeverityName(Severity severity) {
    switch (severity) {
        case Severity::Fault: return "fault";
        case Severity::Warning: return "warning";
        case Severity::Info: return "info";
    }
    return "";
}

const char* KindName(FindingKind kind) {
    switch (kind) {
        case FindingKind::Blank: return "blank";
        case FindingKind::Constant: return "constant";
        case FindingKind::Overdump: return "overdump";
        case FindingKind::AddressLine: return "address-line";
        case FindingKind::DataLine: return "data-line";
        case FindingKind::ByteLane: return "byte-lane";
        case FindingKind::Fill: return "fill";
        case FindingKind::TooShort: return "too-short";
    }
    return "";
}

}  // namespace vesperine::diagnosis
