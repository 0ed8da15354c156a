// ByteBuffer: a block of bytes that costs what its bytes cost, for files and dumps of any size.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace vesperine {

// Holds size() bytes in one contiguous block. Unlike std::vector it never zero-fills: the
// bytes of a new or resized buffer are unset until the owner writes them, which every owner
// does at once (a read, an extraction). Blocks of kLargeBlock bytes or more are aligned to
// kLargeBlock and, where the system offers it, advised for huge pages, so that their first
// touch costs one fault per 2 MiB rather than one per 4 KiB. Moves are cheap; copies are
// explicit (CopyOf), since a copy of a gigabyte should be seen where it is made.
class ByteBuffer {
public:
    static constexpr std::size_t kLargeBlock = std::size_t{2} << 20;

    ByteBuffer() noexcept = default;
    // size bytes, unset. Throws std::bad_alloc when the block cannot be had.
    explicit ByteBuffer(std::size_t size);
    [[nodiscard]] static ByteBuffer CopyOf(std::span<const std::uint8_t> bytes);

    ByteBuffer(ByteBuffer&& other) noexcept;
    ByteBuffer& operator=(ByteBuffer&& other) noexcept;
    ByteBuffer(const ByteBuffer&) = delete;
    ByteBuffer& operator=(const ByteBuffer&) = delete;
    ~ByteBuffer() { Release(); }

    // Makes the buffer hold size bytes, which are unset: when size fits the block held, the
    // bytes there stay as they were and nothing is allocated; otherwise the contents are
    // dropped, the block is released first (never two blocks at once) and a new one is taken.
    // When that throws std::bad_alloc the buffer is left empty.
    void ResizeDiscarding(std::size_t size);
    // Gives the block back; the buffer is empty afterwards.
    void Release() noexcept;

    [[nodiscard]] std::uint8_t* data() noexcept { return data_; }
    [[nodiscard]] const std::uint8_t* data() const noexcept { return data_; }
    [[nodiscard]] std::size_t size() const noexcept { return size_; }
    [[nodiscard]] bool empty() const noexcept { return size_ == 0; }
    // The bytes the block can hold without a new allocation.
    [[nodiscard]] std::size_t capacity() const noexcept { return capacity_; }
    [[nodiscard]] std::uint8_t* begin() noexcept { return data_; }
    [[nodiscard]] std::uint8_t* end() noexcept { return data_ + size_; }
    [[nodiscard]] const std::uint8_t* begin() const noexcept { return data_; }
    [[nodiscard]] const std::uint8_t* end() const noexcept { return data_ + size_; }
    [[nodiscard]] std::uint8_t& operator[](std::size_t i) noexcept { return data_[i]; }
    [[nodiscard]] const std::uint8_t& operator[](std::size_t i) const noexcept { return data_[i]; }

private:
    std::uint8_t* data_ = nullptr;
    std::size_t size_ = 0;
    std::size_t capacity_ = 0;
};

}  // namespace vesperine
