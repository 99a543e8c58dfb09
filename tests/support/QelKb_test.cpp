#include "support/QelKb.h"

#include <gtest/gtest.h>

#include <vector>

#include "QelKbMonClient.h"

namespace {

// A window that records what is posted to it.
struct RecordingWindow : QelWindow {
    struct Message {
        unsigned Msg;
        uintptr_t WParam;
        intptr_t LParam;
    };
    std::vector<Message> Received;

    RecordingWindow() { PostMessage = Post; }
    static void Post(QelWindow* Wnd, unsigned Msg, uintptr_t WParam, intptr_t LParam) {
        static_cast<RecordingWindow*>(Wnd)->Received.push_back({Msg, WParam, LParam});
    }
};

class QelKbTest : public ::testing::Test {
protected:
    void TearDown() override {
        QelKb::Unload();
        QelKb::SetLibName("");
    }
};

TEST_F(QelKbTest, NameIsTheSystemsAndMapsToASharedObjectBesideTheProgram) {
    EXPECT_EQ(QelKb::LibName(), "QelKbMon.dll");
    EXPECT_EQ(keyboard::LibraryPath(QelKb::LibName()), app::ProgramFolder() + "/QelKbMon.so");
    EXPECT_FALSE(QelKb::Loaded());
}

TEST_F(QelKbTest, LoadRegisterPostDeregisterUnload) {
    ASSERT_TRUE(QelKb::Load());
    EXPECT_TRUE(QelKb::Loaded());
    qeltest::MonitorClient lib;
    ASSERT_TRUE(lib.Present());
    const unsigned registered = lib.RegisterCalls();

    RecordingWindow a, b;
    EXPECT_EQ(QelKb::Register(&a), lib.Message());
    EXPECT_EQ(QelKb::Register(&b), lib.Message());
    EXPECT_EQ(QelKb::WindowCount(), 2u);
    EXPECT_EQ(lib.Windows(), 2u);
    EXPECT_EQ(lib.RegisterCalls(), registered + 2);

    lib.Toggle(144, true);
    ASSERT_EQ(a.Received.size(), 1u);
    EXPECT_EQ(a.Received[0].Msg, lib.Message());
    EXPECT_EQ(a.Received[0].WParam, 144u);
    EXPECT_EQ(a.Received[0].LParam & 1, 1);
    EXPECT_EQ(b.Received.size(), 1u);

    QelKb::Deregister(&a);
    EXPECT_EQ(QelKb::WindowCount(), 1u);
    EXPECT_EQ(lib.Windows(), 1u);
    lib.Toggle(20, false);
    EXPECT_EQ(a.Received.size(), 1u);  // no longer served
    ASSERT_EQ(b.Received.size(), 2u);
    EXPECT_EQ(b.Received[1].LParam & 1, 0);

    const unsigned deregistered = lib.DeregisterCalls();
    QelKb::Unload();
    EXPECT_FALSE(QelKb::Loaded());
    EXPECT_EQ(QelKb::WindowCount(), 0u);
    EXPECT_EQ(lib.DeregisterCalls(), deregistered + 1);  // b, still listed
    EXPECT_EQ(lib.Windows(), 0u);
}

TEST_F(QelKbTest, UnloadDeregistersFromTheLastToTheFirstAndFreesTheLibrary) {
    RecordingWindow a, b, c;
    {
        ASSERT_TRUE(QelKb::Load());
        qeltest::MonitorClient lib;
        QelKb::Register(&a);
        QelKb::Register(&b);
        QelKb::Register(&c);
        QelKb::Register(&b);  // listed once
        EXPECT_EQ(QelKb::WindowCount(), 3u);
        const unsigned before = lib.DeregisterCalls();
        QelKb::Unload();
        EXPECT_EQ(lib.DeregisterCalls(), before + 3);
        EXPECT_EQ(lib.LastDeregistered(), &a);
    }
    EXPECT_FALSE(qeltest::MonitorMapped());
    EXPECT_EQ(QelKb::Register(&a), 0u);  // entries forgotten
}

TEST_F(QelKbTest, LoadingAgainFreesTheEarlierLibraryFirst) {
    RecordingWindow a;
    ASSERT_TRUE(QelKb::Load());
    QelKb::Register(&a);
    ASSERT_TRUE(QelKb::Load());
    EXPECT_EQ(QelKb::WindowCount(), 0u);
    qeltest::MonitorClient lib;
    EXPECT_EQ(lib.Windows(), 0u);  // a fresh copy, nothing registered
}

TEST_F(QelKbTest, AMissingLibraryOrMissingEntriesAreNoError) {
    const struct {
        const char* name;
        bool loads;
    } cases[] = {{"QelKbAbsent.dll", false}, {"QelKbNoEntries.dll", true}};
    for (const auto& c : cases) {
        QelKb::SetLibName(c.name);
        EXPECT_EQ(QelKb::LibName(), c.name);
        EXPECT_EQ(QelKb::Load(), c.loads) << c.name;
        EXPECT_EQ(QelKb::Loaded(), c.loads) << c.name;
        RecordingWindow a;
        EXPECT_EQ(QelKb::Register(&a), 0u) << c.name;
        EXPECT_EQ(QelKb::WindowCount(), 0u) << c.name;
        QelKb::Deregister(&a);
        QelKb::Unload();
        EXPECT_FALSE(QelKb::Loaded()) << c.name;
    }
}

}  // namespace
