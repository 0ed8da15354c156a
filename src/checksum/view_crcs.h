// CRC registers of every whole view, one pass per polynomial shared by the models that use it.
#pragma once

#include <cstdint>
#include <vector>

#include "analysis/views.h"
#include "checksum/crc.h"

namespace vesperine::checksum {

// A view's register (as CrcEngine::Update leaves it, from the engine's Start()) after its body,
// the view without its last `stored` bytes (the whole view when it is no longer than that), and
// after the whole view.
struct ViewRegisters {
    std::uint64_t body = 0;
    std::uint64_t full = 0;
};

// registers[v][e] for views v (as ChecksumViewsOf orders them) and engines e. The same as running
// every engine over every view, but the bytes are read once per polynomial and bit order (not
// per model: init only adds a constant, the output steps come after), and the halves and the
// whole are combined from the quarters' registers rather than read again.
[[nodiscard]] std::vector<std::vector<ViewRegisters>> RegistersOfViews(const std::vector<View>& views,
                                                                       const std::vector<CrcEngine>& engines,
                                                                       std::uint64_t stored);

}  // namespace vesperine::checksum
