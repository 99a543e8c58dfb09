#include "platform/TextFile.h"

#include <gtest/gtest.h>

#include <string>

#include "testkit/TestKit.h"

namespace {

TEST(TextFileTest, LinesEndInCrLfAndReachTheFileAtOnce) {
    testkit::TempHome home;
    const std::string path = home.Path() + "/log.txt";
    testkit::WriteFile(path, "old\r\n");
    std::FILE* f = textfile::Open(path, false);
    ASSERT_NE(f, nullptr);
    EXPECT_TRUE(textfile::WriteLine(f, "one"));
    // Flushed with the line, while the file is still open.
    EXPECT_EQ(testkit::ReadFile(path), "old\r\none\r\n");
    textfile::Close(f);

    f = textfile::Open(path, true);
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(testkit::ReadFile(path), "");
    EXPECT_TRUE(textfile::WriteLine(f, ""));
    textfile::Close(f);
    EXPECT_EQ(testkit::ReadFile(path), "\r\n");
}

TEST(TextFileTest, WhatCannotBeOpenedOrWrittenSaysSo) {
    testkit::TempHome home;
    EXPECT_EQ(textfile::Open("", false), nullptr);
    EXPECT_EQ(textfile::Open(home.Path() + "/no-such-folder/log.txt", true), nullptr);
    EXPECT_EQ(textfile::Open(home.Path(), false), nullptr);  // a folder
    EXPECT_FALSE(textfile::WriteLine(nullptr, "x"));
    textfile::Close(nullptr);
    std::FILE* full = textfile::Open("/dev/full", false);
    ASSERT_NE(full, nullptr);
    EXPECT_FALSE(textfile::WriteLine(full, "x"));
    textfile::Close(full);
}

}  // namespace
