// ini-oracle: asks Windows' own GetPrivateProfileStringA every query of the
// settings-file corpus and writes the answers, one line each.
//
//   ini-oracle <corpus-dir> <work-dir> <answers-file>
//
// The generated corpus files are written into work-dir first.
#include <windows.h>

#include <cstdio>
#include <exception>
#include <fstream>
#include <string>
#include <vector>

#include "tests/platform/IniCorpus.h"

namespace {

std::string FullPath(const std::string& path) {
    std::vector<char> buffer(32768);
    const DWORD length =
        ::GetFullPathNameA(path.c_str(), static_cast<DWORD>(buffer.size()), buffer.data(), nullptr);
    if (length == 0 || length >= buffer.size()) {
        throw std::runtime_error("no full path for " + path);
    }
    return std::string(buffer.data(), length);
}

}  // namespace

int main(int argc, char** argv) {
    using namespace talun::inicorpus;
    if (argc != 4) {
        std::fprintf(stderr, "usage: ini-oracle <corpus-dir> <work-dir> <answers-file>\n");
        return 2;
    }
    try {
        const std::string corpusDir = argv[1];
        const std::string workDir = argv[2];
        ::CreateDirectoryA(workDir.c_str(), nullptr);
        WriteGeneratedFiles(workDir);

        std::ofstream answers(argv[3], std::ios::binary | std::ios::trunc);
        answers << kAnswersHeader << '\n';
        for (const Query& query : AllQueries(corpusDir)) {
            const std::string path = FullPath(FilePath(query, corpusDir, workDir));
            std::vector<char> buffer(kBufferSize, '\0');
            ::GetPrivateProfileStringA(query.section.c_str(), query.key.c_str(),
                                       query.defaultValue.c_str(), buffer.data(),
                                       static_cast<DWORD>(buffer.size()), path.c_str());
            answers << AnswerLine(query, buffer.data()) << '\n';
        }
        if (!answers.flush()) {
            throw std::runtime_error(std::string("cannot write ") + argv[3]);
        }
    } catch (const std::exception& error) {
        std::fprintf(stderr, "ini-oracle: %s\n", error.what());
        return 1;
    }
    return 0;
}
