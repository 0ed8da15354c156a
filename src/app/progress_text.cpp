// The progress display's words, from what is counted and how far it is.
#include "app/progress_text.h"

#include <cmath>

namespace vesperine {
namespace {

struct UnitWords {
    const char* verb;
    const char* noun;
};

UnitWords WordsFor(ProgressUnit unit) {
    switch (unit) {
        case ProgressUnit::BytesRead: return {"Read", "bytes"};
        case ProgressUnit::BytesExtracted: return {"Extracted", "bytes"};
        case ProgressUnit::BytesHashed: return {"Hashed", "bytes"};
        case ProgressUnit::Windows: break;
        case ProgressUnit::BytesExamined: return {"Examined", "bytes"};
        case ProgressUnit::BytesCompared: return {"Compared", "bytes"};
        case ProgressUnit::BytesWritten: return {"Wrote", "bytes"};
        case ProgressUnit::BitsTried: return {"Tried", "bits"};
        case ProgressUnit::Views: return {"Examined", "views"};
        case ProgressUnit::Share: break;
    }
    return {"Examined", "windows"};
}

// The estimate is rounded up: "about 0 s left" would be a promise the work may not keep.
std::string TimeLeft(double seconds) {
    const auto whole = static_cast<std::uint64_t>(std::ceil(seconds));
    if (whole < 60) return ", about " + std::to_string(whole) + " s left";
    return ", about " + std::to_string((whole + 59) / 60) + " min left";
}

}  // namespace

std::string ProgressText(const Progress& progress, double elapsedSeconds) {
    const UnitWords words = WordsFor(progress.unit);
    std::string text = std::string(words.verb) + " " + WithThousands(progress.done);
    if (progress.total == 0) {
        text += std::string(" ") + words.noun;
        if (progress.unit == ProgressUnit::Windows)
            text += "; step 0 repeats one window until you break (Cancel or Shift+Backspace)";
        return text;
    }
    // done never passes total in practice; a report that does shows 100 %, not more.
    const std::uint64_t done = progress.done < progress.total ? progress.done : progress.total;
    const std::uint64_t percent =
        done <= UINT64_MAX / 100 ? done * 100 / progress.total : done / (progress.total / 100);
    // The passes of a step count in units of their own, which mean nothing to a person.
    if (progress.unit == ProgressUnit::Share) text = std::to_string(percent) + " % done";
    else text += " of " + WithThousands(progress.total) + " " + words.noun + " (" + std::to_string(percent) + " %)";
    if (elapsedSeconds >= 1.0 && done > 0 && done < progress.total)
        text += TimeLeft(elapsedSeconds * static_cast<double>(progress.total - done) / static_cast<double>(done));
    return text;
}

}  // namespace vesperine
