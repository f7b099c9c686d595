// Writes the program's own path, as CurrentProgramPath() finds it, into the file
// named by its one argument. The tests copy it into a deep folder and run it.
#include <fstream>

#include "platform/ProgramDirectory.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        return 2;
    }
    std::ofstream out(argv[1], std::ios::binary | std::ios::trunc);
    out << talun::CurrentProgramPath();
    return out.flush() ? 0 : 1;
}
