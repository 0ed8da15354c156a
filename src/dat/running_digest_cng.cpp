// MD5, SHA-1 and SHA-256 through Windows CNG (bcrypt), a part of the system.
#include "platform/windows_api.h"
// windows.h first: bcrypt.h needs its types.
#include <bcrypt.h>

#include <algorithm>
#include <array>
#include <stdexcept>

#include "dat/running_digest.h"

namespace vesperine::dat {
namespace {

// Opening an algorithm provider costs far more than hashing a small file, so each of the three
// is opened once, on first use (a static's initialisation is thread-safe), and kept for the
// life of the process; a provider is safe to share between threads. Null where it failed.
BCRYPT_ALG_HANDLE Provider(DigestAlgorithm algorithm) {
    static const std::array<BCRYPT_ALG_HANDLE, 3> providers = [] {
        std::array<BCRYPT_ALG_HANDLE, 3> opened{};
        const LPCWSTR names[] = {BCRYPT_MD5_ALGORITHM, BCRYPT_SHA1_ALGORITHM, BCRYPT_SHA256_ALGORITHM};
        for (std::size_t k = 0; k < opened.size(); ++k) {
            if (!BCRYPT_SUCCESS(::BCryptOpenAlgorithmProvider(&opened[k], names[k], nullptr, 0))) opened[k] = nullptr;
        }
        return opened;
    }();
    return providers[static_cast<std::size_t>(algorithm)];
}

BCRYPT_HASH_HANDLE Hash(void* handle) { return static_cast<BCRYPT_HASH_HANDLE>(handle); }

}  // namespace

// The hash object's memory is left to CNG (no buffer given), as Windows 7 and later allow.
RunningDigest::RunningDigest(DigestAlgorithm algorithm) : handle_(nullptr) {
    const BCRYPT_ALG_HANDLE provider = Provider(algorithm);
    BCRYPT_HASH_HANDLE hash = nullptr;
    if (provider == nullptr || !BCRYPT_SUCCESS(::BCryptCreateHash(provider, &hash, nullptr, 0, nullptr, 0, 0)))
        throw std::runtime_error("Windows cannot start a digest (bcrypt)");
    handle_ = hash;
}

RunningDigest::~RunningDigest() { ::BCryptDestroyHash(Hash(handle_)); }

// BCryptHashData takes a 32-bit count; larger spans go in pieces.
void RunningDigest::Update(std::span<const std::uint8_t> bytes) {
    constexpr std::size_t kPiece = std::size_t{1} << 30;
    for (std::size_t at = 0; at < bytes.size(); at += kPiece) {
        const std::size_t piece = std::min(kPiece, bytes.size() - at);
        // CNG's signature takes a non-const pointer; it does not write through it.
        ::BCryptHashData(Hash(handle_), const_cast<PUCHAR>(bytes.data() + at), static_cast<ULONG>(piece), 0);
    }
}

void RunningDigest::Finish(std::span<std::uint8_t> out) {
    ::BCryptFinishHash(Hash(handle_), out.data(), static_cast<ULONG>(out.size()), 0);
}

}  // namespace vesperine::dat
