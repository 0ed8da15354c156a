// MD5, SHA-1 and SHA-256 through OpenSSL's EVP interface.
#include <openssl/evp.h>

#include <stdexcept>

#include "dat/running_digest.h"

namespace vesperine::dat {

static EVP_MD_CTX* Context(void* handle) { return static_cast<EVP_MD_CTX*>(handle); }

RunningDigest::RunningDigest(DigestAlgorithm algorithm) : handle_(EVP_MD_CTX_new()) {
    const EVP_MD* type = algorithm == DigestAlgorithm::kMd5    ? EVP_md5()
                         : algorithm == DigestAlgorithm::kSha1 ? EVP_sha1()
                                                               : EVP_sha256();
    if (handle_ == nullptr || EVP_DigestInit_ex(Context(handle_), type, nullptr) != 1) {
        EVP_MD_CTX_free(Context(handle_));
        throw std::runtime_error("OpenSSL cannot start a digest");
    }
}

RunningDigest::~RunningDigest() { EVP_MD_CTX_free(Context(handle_)); }

void RunningDigest::Update(std::span<const std::uint8_t> bytes) {
    EVP_DigestUpdate(Context(handle_), bytes.data(), bytes.size());
}

void RunningDigest::Finish(std::span<std::uint8_t> out) {
    unsigned int length = 0;
    EVP_DigestFinal_ex(Context(handle_), out.data(), &length);
}

}  // namespace vesperine::dat
