#include "platform/LibraryDirectory.h"

#include <windows.h>

#include <vector>

namespace talun {

// No fixed path buffer: the module name is fetched until it fits.
std::string LibraryDirectory() {
    HMODULE module = nullptr;
    if (!::GetModuleHandleExA(
            GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
            reinterpret_cast<LPCSTR>(&LibraryDirectory), &module)) {
        return ".\\";
    }
    std::vector<char> name(MAX_PATH);
    for (;;) {
        const DWORD length =
            ::GetModuleFileNameA(module, name.data(), static_cast<DWORD>(name.size()));
        if (length == 0) return ".\\";
        if (length < name.size()) {
            const std::string file(name.data(), length);
            const std::size_t slash = file.find_last_of("\\/");
            return slash == std::string::npos ? ".\\" : file.substr(0, slash + 1);
        }
        if (name.size() >= 65536) return ".\\";
        name.resize(name.size() * 2);
    }
}

}  // namespace talun
