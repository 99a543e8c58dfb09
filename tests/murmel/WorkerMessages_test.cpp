// The worker messages as Qt events: their numbers, their parameters, their
// order, and no window to post to.
#include "murmel/WorkerMessages.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <thread>

#include "tests/murmel/WorkerKit.h"

namespace {

using namespace murmel;

TEST(WorkerMessages, NumbersAndEventTypes) {
    EXPECT_EQ(WM_MESSAGEREADY, 0x401);
    EXPECT_EQ(WM_THREADERROR, 0x402);
    EXPECT_EQ(WM_NEWMESSAGES, 0x403);
    EXPECT_EQ(WM_NEWMESSAGESFAX, 0x404);
    EXPECT_EQ(WM_TASKBAR, 0x405);
    EXPECT_EQ(WM_DELETINGMEMORY, 0x406);
    EXPECT_EQ(EventTypeOf(WM_MESSAGEREADY), QEvent::User + 1);
    EXPECT_EQ(EventTypeOf(WM_DELETINGMEMORY), QEvent::User + 6);
    EXPECT_EQ(ErrorCom, 1);
    EXPECT_EQ(NoError, 5);
}

TEST(WorkerMessages, PostedFromAnotherThreadTheyArriveInOrder) {
    workerkit::App();
    workerkit::Recorder window;
    SetMainWindow(&window);
    EXPECT_EQ(MainWindow(), &window);
    std::thread worker([] {
        for (int i = 0; i < 500; ++i) PostToMainWindow(WM_USER + 1 + i % 6, i, -i * 16777216LL);
    });
    worker.join();
    SetMainWindow(nullptr);
    PostToMainWindow(WM_THREADERROR, 0, NoError);  // no window: dropped
    QCoreApplication::sendPostedEvents();
    ASSERT_EQ(window.got.size(), 500u);
    for (int i = 0; i < 500; ++i)
        EXPECT_EQ(window.got[static_cast<std::size_t>(i)],
                  (workerkit::Posted{WM_USER + 1 + i % 6, i, -i * 16777216LL}));
}

}  // namespace
