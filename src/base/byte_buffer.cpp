// ByteBuffer: unset blocks from the C library, large ones aligned and advised for huge pages.
#include "base/byte_buffer.h"

#include <cstdlib>
#include <cstring>
#include <new>
#include <utility>

#ifdef _WIN32
#include <malloc.h>
#else
#include <sys/mman.h>
#endif

namespace vesperine {
namespace {

constexpr std::size_t kSmallAlignment = 64;  // a cache line, for the vectorised CRC and copies

// A block of at least size bytes (size > 0); its usable size goes to capacity. Large blocks
// are rounded up to whole huge pages so that the advice covers their tail too.
std::uint8_t* Allocate(std::size_t size, std::size_t& capacity) {
    const bool large = size >= ByteBuffer::kLargeBlock;
    const std::size_t alignment = large ? ByteBuffer::kLargeBlock : kSmallAlignment;
    if (size > SIZE_MAX - alignment) throw std::bad_alloc();
    const std::size_t rounded = (size + alignment - 1) / alignment * alignment;
    void* block = nullptr;
#ifdef _WIN32
    block = _aligned_malloc(rounded, alignment);
#else
    if (posix_memalign(&block, alignment, rounded) != 0) block = nullptr;
#endif
    if (block == nullptr) throw std::bad_alloc();
#if defined(MADV_HUGEPAGE)
    // Advice only: where huge pages are off or unsupported the call fails and nothing changes.
    if (large) (void)madvise(block, rounded, MADV_HUGEPAGE);
#endif
    capacity = rounded;
    return static_cast<std::uint8_t*>(block);
}

void Free(std::uint8_t* block) noexcept {
#ifdef _WIN32
    _aligned_free(block);
#else
    std::free(block);
#endif
}

}  // namespace

ByteBuffer::ByteBuffer(std::size_t size) { ResizeDiscarding(size); }

ByteBuffer ByteBuffer::CopyOf(std::span<const std::uint8_t> bytes) {
    ByteBuffer copy(bytes.size());
    if (!bytes.empty()) std::memcpy(copy.data_, bytes.data(), bytes.size());
    return copy;
}

ByteBuffer::ByteBuffer(ByteBuffer&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)),
      size_(std::exchange(other.size_, 0)),
      capacity_(std::exchange(other.capacity_, 0)) {}

ByteBuffer& ByteBuffer::operator=(ByteBuffer&& other) noexcept {
    if (this != &other) {
        Release();
        data_ = std::exchange(other.data_, nullptr);
        size_ = std::exchange(other.size_, 0);
        capacity_ = std::exchange(other.capacity_, 0);
    }
    return *this;
}

void ByteBuffer::ResizeDiscarding(std::size_t size) {
    if (size <= capacity_) {
        size_ = size;
        return;
    }
    Release();
    std::size_t capacity = 0;
    data_ = Allocate(size, capacity);
    capacity_ = capacity;
    size_ = size;
}

void ByteBuffer::Release() noexcept {
    if (data_ != nullptr) Free(data_);
    data_ = nullptr;
    size_ = 0;
    capacity_ = 0;
}

}  // namespace vesperine
