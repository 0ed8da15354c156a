// One running MD5, SHA-1 or SHA-256: the system's digest behind one small interface.
#pragma once

#include <cstdint>
#include <span>

namespace vesperine::dat {

enum class DigestAlgorithm { kMd5, kSha1, kSha256 };

// OpenSSL's EVP interface on POSIX systems (running_digest_openssl.cpp), Windows CNG elsewhere
// (running_digest_cng.cpp), each using the processor's SHA instructions where it has them.
// Throws std::runtime_error when the system cannot start the digest.
class RunningDigest {
public:
    explicit RunningDigest(DigestAlgorithm algorithm);
    ~RunningDigest();
    RunningDigest(const RunningDigest&) = delete;
    RunningDigest& operator=(const RunningDigest&) = delete;

    void Update(std::span<const std::uint8_t> bytes);
    // out is the algorithm's length (16, 20 or 32 bytes); the digest takes nothing afterwards.
    void Finish(std::span<std::uint8_t> out);

private:
    void* handle_;  // EVP_MD_CTX* or BCRYPT_HASH_HANDLE
};

}  // namespace vesperine::dat
