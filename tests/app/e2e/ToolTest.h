// Base of the end-to-end tests: a name per test for its folder and screenshots.
#pragma once

#include <gtest/gtest.h>

#include <string>

namespace talun::e2e {

class ToolTest : public ::testing::Test {
  protected:
    // "Suite.Test", usable as a folder name.
    static std::string Name() {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        std::string name = std::string(info->test_suite_name()) + "." + info->name();
        for (char& c : name)
            if (c == '/') c = '_';
        return name;
    }
};

}  // namespace talun::e2e
