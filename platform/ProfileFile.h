// Reading one value of a private-profile ("ini") file.
#pragma once

#include <cstddef>
#include <string>

namespace talun {

class ProfileFile {
  public:
    virtual ~ProfileFile() = default;
    // The value of key in section of the file at path, as the Windows private-profile
    // reader returns it into a buffer of bufferSize characters (so at most
    // bufferSize - 1 characters). defaultValue when the file, section or key is missing.
    virtual std::string ReadString(const std::string& path, const std::string& section,
                                   const std::string& key, const std::string& defaultValue,
                                   std::size_t bufferSize) const = 0;
};

}  // namespace talun
