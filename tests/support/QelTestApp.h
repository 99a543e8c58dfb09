#pragma once
// One application object for all tests of a program, made before the first
// test and destroyed after the last, so widgets can be created and painted.
#include <gtest/gtest.h>

#include <memory>

#include "platform/App.h"

namespace qeltest {

class AppEnvironment : public ::testing::Environment {
public:
    void SetUp() override { app_ = std::make_unique<app::Application>(argc_, argv_); }
    void TearDown() override { app_.reset(); }

private:
    int argc_ = 1;
    char name_[8] = "test";
    char* argv_[2] = {name_, nullptr};
    std::unique_ptr<app::Application> app_;
};

inline ::testing::Environment* const kAppEnvironment = ::testing::AddGlobalTestEnvironment(new AppEnvironment);

}  // namespace qeltest
