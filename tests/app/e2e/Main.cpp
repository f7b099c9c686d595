// The end-to-end tests' main: every test runs on the tests' own desktop.
#include <gtest/gtest.h>

#include <cstdio>

#include "tests/app/e2e/Desktop.h"

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (!talun::e2e::UseOwnDesktop()) {
        std::fprintf(stderr, "cannot make the tests' desktop\n");
        return 2;
    }
    return RUN_ALL_TESTS();
}
