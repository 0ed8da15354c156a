// SharedBytes: taking a buffer over, or a part of one already shared.
#include "base/shared_bytes.h"

#include <algorithm>
#include <utility>

namespace vesperine {

SharedBytes::SharedBytes(ByteBuffer bytes) {
    auto owner = std::make_shared<const ByteBuffer>(std::move(bytes));
    bytes_ = std::span<const std::uint8_t>(owner->data(), owner->size());
    owner_ = std::move(owner);
}

SharedBytes::SharedBytes(std::shared_ptr<const ByteBuffer> owner, std::size_t length) noexcept
    : owner_(std::move(owner)) {
    if (owner_) bytes_ = std::span<const std::uint8_t>(owner_->data(), std::min(length, owner_->size()));
}

}  // namespace vesperine
