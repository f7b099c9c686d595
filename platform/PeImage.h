// Whether a Windows library file is a 32-bit or a 64-bit one, read from its PE
// header. Only bytes are read, nothing is loaded: a library of the other bitness
// is recognised before the system is asked to load it (which cannot work).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace talun {

// 32 or 64 for a PE image (the magic of its optional header: PE32 or PE32+); 0
// when the bytes, the beginning of a file, are not the header of one.
int PeImageBits(const uint8_t* bytes, std::size_t size);

// The same for the file at path; 0 when it cannot be read.
int PeImageBitsOfFile(const std::string& path);

// The bitness of the running program: 32 or 64.
constexpr int ProgramBits() {
    return static_cast<int>(sizeof(void*) * 8);
}

}  // namespace talun
