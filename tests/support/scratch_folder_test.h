// A test with a fresh folder of its own and a way to put files in it.
#pragma once

#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "tests/support/effect_host_runner.h"

class ScratchFolderTest : public testing::Test {
protected:
    void SetUp() override { folder = ScratchFolder(testing::UnitTest::GetInstance()->current_test_info()->name()); }

    std::string Write(const std::string& name, const std::string& content)
    {
        std::string path = folder + name;
        std::ofstream(path, std::ios::binary) << content;
        return path;
    }

    std::string folder;
};
