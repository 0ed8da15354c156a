// The words a progress display shows for long work: what is counted, how far, and the time left.
#pragma once

#include <cstdint>
#include <string>

#include "app/host.h"
#include "base/format.h"

namespace vesperine {

// "Read 123,456,789 of 1,073,741,824 bytes (11 %)", "Examined 12,345,678 of 45,000,000
// windows (27 %), about 12 s left", or for a search without an end (step 0) "Examined N
// windows; step 0 repeats one window until you break (Cancel or Shift+Backspace)". The time
// left is given once the stage has run a second and counted something, as the rate so far
// applied to what remains; elapsedSeconds is the time since this stage's first report.
[[nodiscard]] std::string ProgressText(const Progress& progress, double elapsedSeconds);

}  // namespace vesperine
