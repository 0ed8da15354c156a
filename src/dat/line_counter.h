// Byte offsets into text turned into 1-based line numbers, for offsets that mostly ascend.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string_view>

namespace vesperine::dat {

class LineCounter {
public:
    explicit LineCounter(std::string_view text) : text_(text) {}

    // The line holding the byte at offset (offsets past the end count as the last line).
    [[nodiscard]] std::uint32_t LineAt(std::size_t offset) {
        offset = std::min(offset, text_.size());
        if (offset < offset_) {
            offset_ = 0;
            line_ = 1;
        }
        line_ += static_cast<std::uint32_t>(std::count(text_.begin() + static_cast<std::ptrdiff_t>(offset_),
                                                       text_.begin() + static_cast<std::ptrdiff_t>(offset), '\n'));
        offset_ = offset;
        return line_;
    }

private:
    std::string_view text_;
    std::size_t offset_ = 0;  // line_ is the line of this offset
    std::uint32_t line_ = 1;
};

}  // namespace vesperine::dat
