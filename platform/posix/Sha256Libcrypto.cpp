// SHA-256 through OpenSSL's libcrypto (EVP interface).
#include <openssl/evp.h>

#include <memory>

#include "platform/Sha256.h"

namespace talun {

namespace {

struct DigestContextFree {
    void operator()(EVP_MD_CTX* context) const { EVP_MD_CTX_free(context); }
};

}  // namespace

std::optional<Sha256Digest> ComputeSha256(const uint8_t* data, std::size_t size) {
    const std::unique_ptr<EVP_MD_CTX, DigestContextFree> context(EVP_MD_CTX_new());
    if (!context) return std::nullopt;
    Sha256Digest digest{};
    unsigned int length = 0;
    if (EVP_DigestInit_ex(context.get(), EVP_sha256(), nullptr) != 1 ||
        EVP_DigestUpdate(context.get(), data, size) != 1 ||
        EVP_DigestFinal_ex(context.get(), digest.data(), &length) != 1 ||
        length != SHA256_DIGEST_SIZE)
        return std::nullopt;
    return digest;
}

}  // namespace talun
