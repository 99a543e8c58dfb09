#include "platform/Files.h"

#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <optional>
#include <set>

#include "testkit/TestKit.h"

namespace {

// Sets or clears an environment variable for the scope and restores it after.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : name_(name) {
        if (const char* v = std::getenv(name)) old_ = v;
        if (value) setenv(name, value, 1);
        else unsetenv(name);
    }
    ~ScopedEnv() {
        if (old_) setenv(name_, old_->c_str(), 1);
        else unsetenv(name_);
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    const char* name_;
    std::optional<std::string> old_;
};

TEST(Files, FolderOfAFileKeepsOnlyTheRootsSeparator) {
    const std::pair<const char*, const char*> cases[] = {
        {"/home/me/fax.tif", "/home/me"}, {"/fax.tif", "/"}, {"fax.tif", ""}, {"/a/b/", "/a/b"}, {"a/b", "a"}};
    for (const auto& [path, folder] : cases) EXPECT_EQ(files::FolderOfFile(path), folder) << path;
}

TEST(Files, SameFileFollowsLinksAndNeedsBothFiles) {
    testkit::TempHome home;
    const std::string a = home.Path() + "/a", b = home.Path() + "/b", link = home.Path() + "/link";
    testkit::WriteFile(a, "x");
    testkit::WriteFile(b, "x");
    ASSERT_EQ(symlink(a.c_str(), link.c_str()), 0);
    EXPECT_TRUE(files::SameFile(a, a));
    EXPECT_TRUE(files::SameFile(a, link));
    EXPECT_TRUE(files::SameFile(home.Path() + "/../" + home.Path().substr(home.Path().rfind('/') + 1) + "/a", a));
    EXPECT_FALSE(files::SameFile(a, b));
    EXPECT_FALSE(files::SameFile(a, home.Path() + "/missing"));
    EXPECT_FALSE(files::SameFile(home.Path() + "/missing", home.Path() + "/missing"));
}

}  // namespace

TEST(Files, TempPathEndsInASlash) {
    {
        ScopedEnv tmp("TMPDIR", "/var/tmp");
        EXPECT_EQ(files::TempPath(), "/var/tmp/");
    }
    {
        ScopedEnv tmp("TMPDIR", "/scratch/");
        EXPECT_EQ(files::TempPath(), "/scratch/");
    }
    ScopedEnv tmp("TMPDIR", nullptr);
    EXPECT_EQ(files::TempPath(), "/tmp/");
}

TEST(Files, TempFileNameCreatesANewEmptyFileWithThreeBytesOfThePrefix) {
    testkit::TempHome home;
    std::set<std::string> names;
    for (int i = 0; i < 20; ++i) {
        const std::string path = files::TempFileName(home.Path(), "TMPLONG");
        ASSERT_FALSE(path.empty());
        const std::string name = path.substr(home.Path().size() + 1);
        ASSERT_EQ(name.size(), 11u) << name;
        EXPECT_EQ(name.substr(0, 3), "TMP");
        EXPECT_EQ(name.find_first_not_of("0123456789ABCDEF", 3), 7u) << name;
        EXPECT_EQ(name.substr(7), ".tmp");
        EXPECT_EQ(files::FileSize(path), 0);
        names.insert(path);
    }
    EXPECT_EQ(names.size(), 20u) << "every name is new";
    EXPECT_EQ(files::TempFileName(home.Path() + "/", "").rfind(home.Path() + "/", 0), 0u);
    EXPECT_EQ(files::TempFileName(home.Path() + "/missing", "TMP"), "");
}

TEST(Files, TheNullDeviceAndItsNames) {
    EXPECT_EQ(files::NullDevice(), "/dev/null");
    for (const char* name : {"NUL", "nul", "Nul:", "nul:"}) EXPECT_EQ(files::MapDeviceName(name), "/dev/null") << name;
    for (const char* name : {"NULL", "nul.txt", "/tmp/NUL", ""}) EXPECT_EQ(files::MapDeviceName(name), name) << name;
}

TEST(Files, StateDirFollowsPellowHomeThenXdgThenHome) {
    ScopedEnv home("HOME", "/home/me");
    {
        ScopedEnv p("PELLOW_HOME", "/run/pellow//");
        EXPECT_EQ(files::StateDir(), "/run/pellow");
        EXPECT_TRUE(files::PrivateState());
    }
    ScopedEnv p("PELLOW_HOME", nullptr);
    EXPECT_FALSE(files::PrivateState());
    {
        ScopedEnv x("XDG_CONFIG_HOME", "/home/me/cfg");
        EXPECT_EQ(files::StateDir(), "/home/me/cfg/pellow");
    }
    ScopedEnv x("XDG_CONFIG_HOME", "");
    EXPECT_EQ(files::StateDir(), "/home/me/.config/pellow");
}

TEST(Files, ExistenceSizeFoldersAndDeletion) {
    testkit::TempHome home;
    const std::string file = home.Path() + "/a.txt";
    EXPECT_FALSE(files::FileExists(file));
    EXPECT_EQ(files::FileSize(file), -1);
    testkit::WriteFile(file, "12345");
    EXPECT_TRUE(files::FileExists(file));
    EXPECT_FALSE(files::DirectoryExists(file));
    EXPECT_EQ(files::FileSize(file), 5);
    EXPECT_FALSE(files::FileExists(home.Path())) << "a folder is no file";
    EXPECT_TRUE(files::DirectoryExists(home.Path()));
    EXPECT_TRUE(files::ForceDirectories(home.Path() + "/x/y/z"));
    EXPECT_TRUE(files::DirectoryExists(home.Path() + "/x/y/z"));
    EXPECT_FALSE(files::ForceDirectories(file + "/sub")) << "a file is in the way";
    EXPECT_TRUE(files::DeleteFile(file));
    EXPECT_FALSE(files::DeleteFile(file));
    EXPECT_FALSE(files::DeleteFile(home.Path() + "/x")) << "folders are not deleted as files";
}

TEST(Files, SetFileDateSetsTheLocalModificationTime) {
    testkit::TempHome home;
    const std::string file = home.Path() + "/fax.tif";
    testkit::WriteFile(file, "x");
    ASSERT_TRUE(files::SetFileDate(file, EncodeDate(2001, 3, 4) + EncodeTime(5, 6, 7, 0)));
    struct stat st {};
    ASSERT_EQ(::stat(file.c_str(), &st), 0);
    std::tm tm{};
    localtime_r(&st.st_mtime, &tm);
    EXPECT_EQ(tm.tm_year + 1900, 2001);
    EXPECT_EQ(tm.tm_mon + 1, 3);
    EXPECT_EQ(tm.tm_mday, 4);
    EXPECT_EQ(tm.tm_hour * 10000 + tm.tm_min * 100 + tm.tm_sec, 50607);
    EXPECT_FALSE(files::SetFileDate(home.Path() + "/missing", EncodeDate(2001, 3, 4)));
}

TEST(Files, FileStatusSetsTheLastWriteTimeThatStandsForTheCreationTime) {
    testkit::TempHome home;
    const std::string file = home.Path() + "/Voic0001.wav";
    testkit::WriteFile(file, std::string(100, 'x'));
    files::FileStatus st;
    ASSERT_TRUE(files::GetFileStatus(file, st));
    EXPECT_EQ(st.size, 100);
    EXPECT_EQ(st.created, st.written);
    EXPECT_LE(std::llabs(static_cast<long long>(st.written - std::time(nullptr))), 5);
    st.created = st.written = 986353567;  // 2001-04-04 03:06:07 UTC
    st.accessed = 1000000000;
    ASSERT_TRUE(files::SetFileStatus(file, st));
    files::FileStatus again;
    ASSERT_TRUE(files::GetFileStatus(file, again));
    EXPECT_EQ(again.created, 986353567);
    EXPECT_EQ(again.written, 986353567);
    EXPECT_EQ(again.accessed, 1000000000);
    EXPECT_FALSE(files::GetFileStatus(home.Path() + "/missing", again));
    EXPECT_FALSE(files::SetFileStatus(home.Path() + "/missing", st));
}
