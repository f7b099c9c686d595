#include "platform/SystemProfileFile.h"

#include "platform/PortableProfileFile.h"

namespace talun {

std::unique_ptr<ProfileFile> MakeSystemProfileFile() {
    return std::make_unique<PortableProfileFile>();
}

}  // namespace talun
