// Keeps the current directory out of the process's DLL search: a library
// planted there (a hiddriver.dll or any other) is never loaded.
#pragma once

namespace talun {

// Call first thing at start-up, before any library is loaded by name.
void RestrictDllSearchPath();

}  // namespace talun
