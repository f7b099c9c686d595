// Telling a 32-bit library from a 64-bit one by its PE header.
#include <gtest/gtest.h>

#include "platform/PeImage.h"
#include "platform/ProgramDirectory.h"
#include "tests/platform/PeHeaderBytes.h"

namespace talun {
namespace {

using test::PE32_MAGIC;
using test::PE32_PLUS_MAGIC;
using test::PeHeaderBytes;

int Bits(const std::vector<uint8_t>& bytes) {
    return PeImageBits(bytes.data(), bytes.size());
}

TEST(PeImage, ReadsTheBitnessFromTheOptionalHeadersMagic) {
    EXPECT_EQ(Bits(PeHeaderBytes(PE32_MAGIC)), 32);
    EXPECT_EQ(Bits(PeHeaderBytes(PE32_PLUS_MAGIC)), 64);
    EXPECT_EQ(Bits(PeHeaderBytes(PE32_MAGIC, 0x40)), 32);  // right after the DOS header
    EXPECT_EQ(Bits(PeHeaderBytes(PE32_PLUS_MAGIC, 0x3F8)), 64);
    EXPECT_EQ(Bits(PeHeaderBytes(0x107)), 0);  // a ROM image, not a library
}

TEST(PeImage, AnythingButAWholePeHeaderIsNotOne) {
    EXPECT_EQ(PeImageBits(nullptr, 0), 0);
    auto notMz = PeHeaderBytes(PE32_MAGIC);
    notMz[0] = 0x7F;  // an ELF file starts "\x7FELF"
    EXPECT_EQ(Bits(notMz), 0);
    auto notPe = PeHeaderBytes(PE32_MAGIC);
    notPe[0x81] = 'X';
    EXPECT_EQ(Bits(notPe), 0);
    auto cut = PeHeaderBytes(PE32_PLUS_MAGIC);
    cut.pop_back();  // the magic's second byte is missing
    EXPECT_EQ(Bits(cut), 0);
    auto pastTheEnd = PeHeaderBytes(PE32_MAGIC);
    pastTheEnd[0x3F] = 0xFF;  // PE header offset beyond the bytes
    EXPECT_EQ(Bits(pastTheEnd), 0);
    const auto whole = PeHeaderBytes(PE32_MAGIC);
    EXPECT_EQ(Bits(std::vector<uint8_t>(whole.begin(), whole.begin() + 0x3C)), 0);
}

TEST(PeImage, TheBuiltLibraryBesideTheTestsHasTheProgramsBitness) {
    const std::string library = ProgramDirectoryFromPath(CurrentProgramPath()) + TALUN_TESTLIB_NAME;
#ifdef _WIN32
    EXPECT_EQ(PeImageBitsOfFile(library), ProgramBits());
#else
    EXPECT_EQ(PeImageBitsOfFile(library), 0);  // an ELF library
#endif
    EXPECT_EQ(PeImageBitsOfFile(library + ".missing"), 0);
}

}  // namespace
}  // namespace talun
