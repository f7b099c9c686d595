// SHA-256 by the system's implementation, against the published test vectors,
// and the digest's text form.
#include <gtest/gtest.h>

#include <string>

#include "platform/Sha256.h"

namespace talun {
namespace {

std::string HexOf(const std::string& message) {
    const auto digest =
        ComputeSha256(reinterpret_cast<const uint8_t*>(message.data()), message.size());
    return digest ? Sha256Hex(*digest) : "(failed)";
}

TEST(Sha256Test, PublishedTestVectors) {
    EXPECT_EQ(HexOf("abc"), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    EXPECT_EQ(HexOf(""), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
    EXPECT_EQ(HexOf("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq"),
              "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
    EXPECT_EQ(HexOf(std::string(1000000, 'a')),
              "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
}

TEST(Sha256Test, HexTextRoundTripsAndRejectsAnythingElse) {
    const std::string upper = "BA7816BF8F01CFEA414140DE5DAE2223B00361A396177A9CB410FF61F20015AD";
    const auto digest = ParseSha256Hex(upper);
    ASSERT_TRUE(digest);
    EXPECT_EQ((*digest)[0], 0xBA);
    EXPECT_EQ((*digest)[31], 0xAD);
    EXPECT_EQ(Sha256Hex(*digest), HexOf("abc"));
    for (const std::string& bad : {std::string(), upper.substr(1), upper + "0",
                                   "g" + upper.substr(1), " " + upper.substr(1)})
        EXPECT_FALSE(ParseSha256Hex(bad)) << bad;
}

}  // namespace
}  // namespace talun
