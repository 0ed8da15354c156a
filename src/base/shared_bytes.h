// SharedBytes: bytes nobody changes any more, held by whoever reads them and freed with the last.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

#include "base/byte_buffer.h"

namespace vesperine {

// A read-only view of a block of bytes together with a share of its ownership: copying one
// copies a pointer, never the bytes, so a window can show a gigabyte the dialog also holds, and
// a worker thread can go on reading it after the window has dropped it. Whoever shares a block
// promises not to change it; an owner that wants to change shared bytes copies them first
// (Workspace does).
class SharedBytes {
public:
    SharedBytes() noexcept = default;
    // Takes the buffer over. Throws std::bad_alloc when the small record of its owners cannot
    // be had (the bytes are then freed with the argument).
    explicit SharedBytes(ByteBuffer bytes);
    // The first length bytes of a block shared already (length at most its size).
    SharedBytes(std::shared_ptr<const ByteBuffer> owner, std::size_t length) noexcept;

    [[nodiscard]] std::span<const std::uint8_t> span() const noexcept { return bytes_; }
    [[nodiscard]] const std::uint8_t* data() const noexcept { return bytes_.data(); }
    [[nodiscard]] std::size_t size() const noexcept { return bytes_.size(); }
    [[nodiscard]] bool empty() const noexcept { return bytes_.empty(); }
    [[nodiscard]] const std::uint8_t& operator[](std::size_t i) const noexcept { return bytes_[i]; }

private:
    std::shared_ptr<const ByteBuffer> owner_;
    std::span<const std::uint8_t> bytes_;
};

}  // namespace vesperine
