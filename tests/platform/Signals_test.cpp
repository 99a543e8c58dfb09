#include "platform/Signals.h"

#include <gtest/gtest.h>
#include <signal.h>

#include <QCoreApplication>
#include <QElapsedTimer>

namespace {

QCoreApplication& App() {
    static int argc = 1;
    static char name[] = "signals-test";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    return app;
}

int PumpUntil(const int& Calls, int Want) {
    QElapsedTimer t;
    t.start();
    while (Calls < Want && t.elapsed() < 3000) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return Calls;
}

TEST(SignalsTest, TerminationSignalsReachTheHandlerOnTheLoopNotInTheSignal) {
    App();
    int calls = 0;
    termsignals::OnTerminate([&] { ++calls; });
    const int before = termsignals::TerminateCount();
    ASSERT_EQ(raise(SIGTERM), 0);
    // Nothing runs inside the signal handler itself: only the loop calls it.
    EXPECT_EQ(calls, 0);
    EXPECT_EQ(PumpUntil(calls, 1), 1);
    ASSERT_EQ(raise(SIGHUP), 0);
    EXPECT_EQ(PumpUntil(calls, 2), 2);
    EXPECT_EQ(termsignals::TerminateCount(), before + 2);
    // A new handler replaces the old one.
    int other = 0;
    termsignals::OnTerminate([&] { ++other; });
    ASSERT_EQ(raise(SIGTERM), 0);
    EXPECT_EQ(PumpUntil(other, 1), 1);
    EXPECT_EQ(calls, 2);
    termsignals::RestoreDefaults();
    struct sigaction now {};
    sigaction(SIGTERM, nullptr, &now);
    EXPECT_EQ(now.sa_handler, SIG_DFL);
}

}  // namespace
