// Loading a shared library by full path and resolving its exports.
#pragma once

#include <memory>
#include <string>

namespace talun {

// One loaded library; unloaded when destroyed.
class LoadedLibrary {
  public:
    virtual ~LoadedLibrary() = default;
    // The address of an exported function, or nullptr when there is none.
    virtual void* Resolve(const char* name) const = 0;
};

class LibraryLoader {
  public:
    virtual ~LibraryLoader() = default;
    // Loads exactly the file at fullPath (never a search path). nullptr on failure;
    // LastError() then says why.
    virtual std::unique_ptr<LoadedLibrary> Load(const std::string& fullPath) = 0;
    virtual std::string LastError() const = 0;
};

}  // namespace talun
