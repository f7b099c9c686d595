// A private-profile ("ini") reader in plain C++ that answers as Windows'
// GetPrivateProfileStringA does for one value of one section and key, checked
// against Windows' own answers on a corpus of files (tests/platform/ini-corpus):
//
// - A line ends at CR or LF. Blanks (space, tab, VT, FF, CR, ^Z) around a line,
//   a section name, a key name and a value are dropped; so are blanks around the
//   section and key asked for.
// - "[name]" starts a section; the name runs to the last ']' of the line and
//   what follows it is ignored. A line starting with '[' without ']' is a key.
//   Lines before the first section form a section whose name is empty.
// - "key=value" splits at the first '='. A key without '=' has no value: asking
//   for it gives the default. Lines starting with ';' are keys like any other.
// - Names match without regard to ASCII case. Only the first section of a name
//   is looked at, and in it only the first key of a name.
// - A value, or the default, wrapped in one pair of matching quotes (" or ')
//   loses them; trailing spaces of the default are dropped (all but its first
//   character).
// - The answer is cut to bufferSize - 1 characters. A quoted value whose text
//   exactly fills that loses its last character, as it does there.
// - A NUL ends a name or value, as it would in a C string.
// - A file starting with a UTF-8 or UTF-16 byte-order mark is read as such;
//   characters outside ASCII and Latin-1 come back as '?'. Other files are
//   single-byte text, taken as they are.
// - A missing file gives the default; so does a file that cannot be opened
//   (missing folder, a folder), but then the default keeps its quotes.
//
// Lines may be of any length and the work is linear in the file's size. A file
// larger than the size limit is read as if it were empty.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "platform/ProfileFile.h"

namespace talun {

class PortableProfileFile final : public ProfileFile {
  public:
    static constexpr std::size_t kDefaultMaxFileSize = 16 * 1024 * 1024;

    explicit PortableProfileFile(std::size_t maxFileSize = kDefaultMaxFileSize)
        : maxFileSize_(maxFileSize) {}

    std::string ReadString(const std::string& path, const std::string& section,
                           const std::string& key, const std::string& defaultValue,
                           std::size_t bufferSize) const override;

    // The answer for a file that exists and holds contents.
    static std::string ReadFromContents(std::string_view contents, const std::string& section,
                                        const std::string& key, const std::string& defaultValue,
                                        std::size_t bufferSize);

  private:
    std::size_t maxFileSize_;
};

}  // namespace talun
