// The readers against Windows' own answers (ini-corpus/expected-answers.txt,
// written by ini-oracle.exe) on every query of the settings-file corpus.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "platform/PortableProfileFile.h"
#include "tests/platform/IniCorpus.h"
#include "tests/support/ScratchDir.h"
#ifdef _WIN32
#include "platform/win32/Win32ProfileFile.h"
#endif

namespace talun {
namespace {

struct Reader {
    std::string name;
    std::function<std::unique_ptr<ProfileFile>()> make;
};

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream stream(text);
    for (std::string line; std::getline(stream, line);) {
        lines.push_back(line);
    }
    return lines;
}

class IniCorpusTest : public testing::TestWithParam<Reader> {};

TEST_P(IniCorpusTest, AnswersEveryQueryAsWindowsDoes) {
    const std::string corpusDir = TALUN_INI_CORPUS_DIR;
    // Windows keeps profile files it has read by name: a fresh folder per reader.
    test::ScratchDir work("ini-corpus-" + GetParam().name);
    inicorpus::WriteGeneratedFiles(work.Path().string());
    const std::vector<std::string> expected =
        Lines(inicorpus::ReadWholeFile(corpusDir + "/expected-answers.txt"));

    const auto reader = GetParam().make();
    std::vector<std::string> actual{inicorpus::kAnswersHeader};
    for (const inicorpus::Query& query : inicorpus::AllQueries(corpusDir)) {
        const std::string answer = reader->ReadString(
            inicorpus::FilePath(query, corpusDir, work.Path().string()), query.section, query.key,
            query.defaultValue, inicorpus::kBufferSize);
        actual.push_back(inicorpus::AnswerLine(query, answer));
    }

    ASSERT_EQ(expected.size(), actual.size())
        << "queries and expected-answers.txt differ in number: run regenerate-ini-answers.sh";
    int differences = 0;
    for (std::size_t i = 0; i < expected.size() && differences < 20; ++i) {
        if (expected[i] != actual[i]) {
            ++differences;
            ADD_FAILURE() << "line " << i + 1 << "\n  Windows: " << expected[i] << "\n  "
                          << GetParam().name << ": " << actual[i];
        }
    }
}

std::vector<Reader> Readers() {
    std::vector<Reader> readers{
        {"portable", [] { return std::make_unique<PortableProfileFile>(); }}};
#ifdef _WIN32
    readers.push_back({"win32", [] { return std::make_unique<Win32ProfileFile>(); }});
#endif
    return readers;
}

INSTANTIATE_TEST_SUITE_P(Readers, IniCorpusTest, testing::ValuesIn(Readers()),
                         [](const testing::TestParamInfo<Reader>& info) {
                             return info.param.name;
                         });

}  // namespace
}  // namespace talun
