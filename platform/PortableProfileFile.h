// A private-profile ("ini") reader in plain C++ that answers as Windows'
// GetPrivateProfileStringA does, for one value of one section and key:
//
// - Lines end at '\n'. Blanks (space, tab, CR, other control blanks and ^Z) around
//   a line, a key name and a value are dropped.
// - "[name]" starts a section: the name runs to the last ']' of the line.
// - "key=value": the first '=' splits; a line without '=' is a key without value.
// - Section and key names match without regard to case. Only the first section
//   of a name is looked at, and in it the first key of a name.
// - A value (or default) wrapped in one pair of matching quotes loses them.
// - The answer is cut to bufferSize - 1 characters.
// - A file that starts with a UTF-8 or UTF-16 byte-order mark is read as such;
//   characters outside ASCII and Latin-1 come back as '?'.
// - Missing file, section or key gives the default.
//
// Lines may be any length; a file larger than the size limit counts as empty.
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
