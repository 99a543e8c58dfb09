// A test that dies must not leave its simulator running.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "testkit/ModemSim.h"
#include "testkit/TestKit.h"

TEST(ModemSimParent, EndsAndRemovesItsLinkWhenTheTestIsKilled) {
    testkit::TempHome home;
    const std::string link = home.Path() + "/ports/COM1";
    int pipeFds[2];
    ASSERT_EQ(::pipe(pipeFds), 0);
    const pid_t test = ::fork();
    ASSERT_GE(test, 0);
    if (test == 0) {
        ::close(pipeFds[0]);
        testkit::ModemSim sim(link);
        const pid_t simPid = sim.Pid();
        if (::write(pipeFds[1], &simPid, sizeof simPid) != sizeof simPid) ::_exit(1);
        for (;;) ::pause();
    }
    ::close(pipeFds[1]);
    pid_t simPid = -1;
    ASSERT_EQ(::read(pipeFds[0], &simPid, sizeof simPid), static_cast<ssize_t>(sizeof simPid));
    ::close(pipeFds[0]);
    ASSERT_GT(simPid, 0);
    ASSERT_TRUE(std::filesystem::is_symlink(std::filesystem::symlink_status(link)));

    ::kill(test, SIGKILL);
    ::waitpid(test, nullptr, 0);
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (std::filesystem::is_symlink(std::filesystem::symlink_status(link)) &&
           std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_FALSE(std::filesystem::is_symlink(std::filesystem::symlink_status(link)))
        << "the simulator outlived its test";
    if (::kill(simPid, 0) == 0) ::kill(simPid, SIGKILL);
}
