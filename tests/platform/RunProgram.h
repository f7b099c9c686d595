// Runs a program with one argument and waits for it (at most a minute).
#pragma once

#include <string>

namespace talun::test {

// The program's exit status, or -1 when it could not be started or did not end.
int RunProgram(const std::string& program, const std::string& argument);

}  // namespace talun::test
