// The corpus of settings files on which the portable reader must answer exactly as
// GetPrivateProfileStringA does. Shared by ini-oracle (which asks Windows) and the
// corpus test (which asks the readers).
//
// ini-corpus/queries.txt lists one query a line: file|section|key|default, where
// "\\", "\|" and "\xNN" stand for a backslash, a bar and any byte; '#' starts a
// comment line. Files named "gen-..." are made at run time (very long lines, binary
// bytes, unusual line ends); their exhaustive probes add queries of their own.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace talun::inicorpus {

// The buffer size of every query, as the settings file is read.
inline constexpr std::size_t kBufferSize = 300;

struct Query {
    std::string file;
    std::string section;
    std::string key;
    std::string defaultValue;
};

struct CorpusFile {
    std::string name;
    std::string contents;
};

// Throws std::runtime_error naming the line of a malformed query.
std::vector<Query> ParseQueries(const std::string& text);

std::vector<CorpusFile> GeneratedFiles();
std::vector<Query> GeneratedQueries();

// All queries: those of queries.txt, then the generated ones.
std::vector<Query> AllQueries(const std::string& corpusDir);

// Where a query's file is: generated files in workDir, the others in corpusDir.
std::string FilePath(const Query& query, const std::string& corpusDir, const std::string& workDir);

// Writes the generated files into workDir (which must exist). Throws on failure.
void WriteGeneratedFiles(const std::string& workDir);

// One line of the answers file: the query and the answer, printable and escaped.
std::string AnswerLine(const Query& query, const std::string& answer);
std::string Escape(std::string_view text);

// The first line of the answers file.
extern const char* const kAnswersHeader;

std::string ReadWholeFile(const std::string& path);  // throws when unreadable

}  // namespace talun::inicorpus
