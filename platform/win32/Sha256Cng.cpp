// SHA-256 through the system's CNG primitives (bcrypt.dll).
#include <windows.h>
// windows.h first: bcrypt.h needs its types.
#include <bcrypt.h>

#include <limits>
#include <memory>
#include <type_traits>

#include "platform/Sha256.h"

namespace talun {

namespace {

struct AlgorithmClose {
    void operator()(BCRYPT_ALG_HANDLE algorithm) const {
        BCryptCloseAlgorithmProvider(algorithm, 0);
    }
};
struct HashDestroy {
    void operator()(BCRYPT_HASH_HANDLE hash) const { BCryptDestroyHash(hash); }
};
using AlgorithmHandle = std::unique_ptr<std::remove_pointer_t<BCRYPT_ALG_HANDLE>, AlgorithmClose>;
using HashHandle = std::unique_ptr<std::remove_pointer_t<BCRYPT_HASH_HANDLE>, HashDestroy>;

bool Succeeded(NTSTATUS status) {
    return status >= 0;
}

}  // namespace

std::optional<Sha256Digest> ComputeSha256(const uint8_t* data, std::size_t size) {
    BCRYPT_ALG_HANDLE rawAlgorithm = nullptr;
    if (!Succeeded(BCryptOpenAlgorithmProvider(&rawAlgorithm, BCRYPT_SHA256_ALGORITHM, nullptr, 0)))
        return std::nullopt;
    const AlgorithmHandle algorithm(rawAlgorithm);
    BCRYPT_HASH_HANDLE rawHash = nullptr;
    if (!Succeeded(BCryptCreateHash(algorithm.get(), &rawHash, nullptr, 0, nullptr, 0, 0)))
        return std::nullopt;
    const HashHandle hash(rawHash);
    // BCryptHashData takes at most 4 GiB at a time.
    constexpr std::size_t kPiece = std::numeric_limits<ULONG>::max();
    for (std::size_t done = 0; done < size;) {
        const std::size_t piece = size - done < kPiece ? size - done : kPiece;
        if (!Succeeded(BCryptHashData(hash.get(), const_cast<PUCHAR>(data + done),
                                      static_cast<ULONG>(piece), 0)))
            return std::nullopt;
        done += piece;
    }
    Sha256Digest digest{};
    if (!Succeeded(BCryptFinishHash(hash.get(), digest.data(), SHA256_DIGEST_SIZE, 0)))
        return std::nullopt;
    return digest;
}

}  // namespace talun
