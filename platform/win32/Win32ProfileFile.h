// Reading one value with Windows' own GetPrivateProfileStringA.
#pragma once

#include "platform/ProfileFile.h"

namespace talun {

class Win32ProfileFile final : public ProfileFile {
  public:
    // A relative path is taken relative to the current directory, as everywhere
    // else (GetPrivateProfileStringA itself would look for a bare file name in
    // the Windows directory). A full path longer than kMaxPathLength gives the
    // default, as a file that cannot be opened.
    std::string ReadString(const std::string& path, const std::string& section,
                           const std::string& key, const std::string& defaultValue,
                           std::size_t bufferSize) const override;
};

}  // namespace talun
