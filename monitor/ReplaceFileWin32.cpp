// The atomic replace on Windows: a new file beside the target, WriteFile,
// FlushFileBuffers, then MoveFileEx with MOVEFILE_REPLACE_EXISTING.
#include <windows.h>

#include "monitor/ReplaceFile.h"
#include "platform/win32/SystemErrorText.h"
#include "platform/win32/UniqueHandle.h"

namespace talun::monitor {

namespace {

bool Failed(const std::string& what, std::string& error) {
    error = what + ": " + SystemErrorText(GetLastError());
    return false;
}

// A name no other writer of the same file uses at the same time: the process
// and the thread.
std::string TemporaryName(const std::string& path) {
    return path + ".tmp." + std::to_string(GetCurrentProcessId()) + "." +
           std::to_string(GetCurrentThreadId());
}

}  // namespace

bool ReplaceFileContent(const std::string& path, const std::string& text, std::string& error) {
    const std::string temporary = TemporaryName(path);
    bool written = false;
    {
        UniqueFileHandle file(CreateFileA(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                          FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file) return Failed("cannot make a temporary file beside " + path, error);
        DWORD done = 0;
        written =
            WriteFile(file.Get(), text.data(), static_cast<DWORD>(text.size()), &done, nullptr) &&
            done == text.size() && FlushFileBuffers(file.Get());
        if (!written) Failed("cannot write " + temporary, error);
    }
    if (written && MoveFileExA(temporary.c_str(), path.c_str(),
                               MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return true;
    if (written) Failed("cannot rename " + temporary + " to " + path, error);
    DeleteFileA(temporary.c_str());
    return false;
}

}  // namespace talun::monitor
