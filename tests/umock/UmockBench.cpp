// Benchmark of talun-r5 as a station on the Linux driver library as it ships:
// N emulated mice plugged in at once and updated by one "talun-r5 watch", then
// one mouse alone. Run by scripts/bench-station-umock.sh under umockdev-wrapper.
// Prints each run and, as its last line:
//   N mice: X s, 1 mouse: Y s, ratio R, cpu Z % of wall
// X and Y run from the program's start to the last mouse's outcome; Z is the
// CPU time of talun-r5 (all its threads, counted once it has ended) over X.
// The emulated mice's own CPU time (this process) is printed apart.
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "tests/support/ChildProcess.h"
#include "tests/support/ScratchDir.h"
#include "tests/umock/UmockBed.h"
#include "tests/umock/UmockDriver.h"

namespace talun::umock {
namespace {

constexpr std::chrono::minutes WAIT_LIMIT{5};
constexpr int MOST_MICE = 64;

double Seconds(const timeval& t) {
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
}

double CpuSeconds(int who) {
    rusage usage{};
    getrusage(who, &usage);
    return Seconds(usage.ru_utime) + Seconds(usage.ru_stime);
}

struct RunFigures {
    double wall = 0;
    double cpu = 0;      // talun-r5's
    double miceCpu = 0;  // the emulated mice's (this process)
};

// One watch that updates count mice plugged in together; nothing when not all were updated.
std::optional<RunFigures> RunStation(int count) {
    test::ScratchDir scratch("umock-bench");
    const std::string image = scratch.File("image.bin");
    WriteTestImage(image);
    UmockBed bed;
    hiddriver::test::DriverCopy driver(MICE_INI);
    for (int i = 0; i < count; ++i) bed.Add();
    const double childCpuBefore = CpuSeconds(RUSAGE_CHILDREN);
    const double selfCpuBefore = CpuSeconds(RUSAGE_SELF);
    auto start = std::chrono::steady_clock::now();
    auto end = start;
    double miceCpu = 0;
    {
        test::ChildProcess watch(
            TALUN_R5_PROGRAM,
            {"--driver", driver.libraryPath, "--json", "watch", "--firmware", image},
            {{{"TALUN_R5_GUARD_FILE", scratch.File("guard.lock")}}, true});
        if (!watch.WaitForErr("waiting for Talun R5 mice", WAIT_LIMIT)) return std::nullopt;
        for (int i = 0; i < count; ++i) bed.Plug(i);
        const bool all = watch.WaitForOut("\"command\":\"watch\"", WAIT_LIMIT, count);
        end = std::chrono::steady_clock::now();
        miceCpu = CpuSeconds(RUSAGE_SELF) - selfCpuBefore;
        watch.Interrupt();
        if (!all || watch.WaitForExit(WAIT_LIMIT) != 0) {
            std::fprintf(stderr, "not every mouse was updated:\n%s\n", watch.Err().c_str());
            return std::nullopt;
        }
    }  // reaped here: its CPU time is counted from now on
    RunFigures figures;
    figures.wall = std::chrono::duration<double>(end - start).count();
    figures.cpu = CpuSeconds(RUSAGE_CHILDREN) - childCpuBefore;
    figures.miceCpu = miceCpu;
    std::printf(
        "%2d mouse(s): %.2f s wall, %.3f s cpu of talun-r5, %.3f s cpu of the emulated "
        "mice, all updated\n",
        count, figures.wall, figures.cpu, figures.miceCpu);
    return figures;
}

}  // namespace
}  // namespace talun::umock

int main(int argc, char** argv) {
    const int mice = argc > 1 ? std::atoi(argv[1]) : 8;
    if (mice < 1 || mice > talun::umock::MOST_MICE || !talun::umock::UmockBed::Preloaded()) {
        std::fprintf(stderr, "usage: umockdev-wrapper %s [N], N from 1 to %d\n", argv[0],
                     talun::umock::MOST_MICE);
        return 2;
    }
    const auto many = talun::umock::RunStation(mice);
    if (!many) return 1;
    const auto one = talun::umock::RunStation(1);
    if (!one) return 1;
    std::printf("%d mice: %.2f s, 1 mouse: %.2f s, ratio %.3f, cpu %.2f %% of wall\n", mice,
                many->wall, one->wall, many->wall / one->wall, 100 * many->cpu / many->wall);
    return 0;
}
