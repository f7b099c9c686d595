// The log file on Windows: FILE_APPEND_DATA, one WriteFile, FlushFileBuffers.
#include <windows.h>

#include <ctime>

#include "production/StationLog.h"

namespace talun::production {

namespace {

std::string SystemMessage(DWORD code) {
    char text[256] = {};
    const DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                        nullptr, code, 0, text, sizeof text, nullptr);
    std::string message(text, length);
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r'))
        message.pop_back();
    return message + " (error " + std::to_string(code) + ")";
}

}  // namespace

struct LogFile::Handle {
    HANDLE file = INVALID_HANDLE_VALUE;
    ~Handle() {
        if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
    }
};

LogFile::LogFile(std::unique_ptr<Handle> handle) : handle_(std::move(handle)) {}
LogFile::~LogFile() = default;

std::unique_ptr<LogFile> LogFile::Open(const std::string& path, std::string& error) {
    auto handle = std::make_unique<Handle>();
    // Appending only: every write goes to the end, whoever else has the file open.
    handle->file = CreateFileA(path.c_str(), FILE_APPEND_DATA | SYNCHRONIZE,
                               FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle->file == INVALID_HANDLE_VALUE) {
        error = SystemMessage(GetLastError());
        return nullptr;
    }
    return std::unique_ptr<LogFile>(new LogFile(std::move(handle)));  // private constructor
}

bool LogFile::Append(const std::string& text, std::string& error) {
    DWORD written = 0;
    if (!WriteFile(handle_->file, text.data(), static_cast<DWORD>(text.size()), &written,
                   nullptr)) {
        error = SystemMessage(GetLastError());
        return false;
    }
    if (written != text.size()) {
        error = "only part of the line was written";
        return false;
    }
    if (!FlushFileBuffers(handle_->file)) {
        error = "not flushed to the disk: " + SystemMessage(GetLastError());
        return false;
    }
    return true;
}

std::string HostName() {
    char name[MAX_COMPUTERNAME_LENGTH + 1] = {};
    DWORD length = sizeof name;
    if (!GetComputerNameA(name, &length)) return "";
    return std::string(name, length);
}

bool UtcCalendar(std::time_t time, std::tm& calendar) {
    return gmtime_s(&calendar, &time) == 0;
}

}  // namespace talun::production
