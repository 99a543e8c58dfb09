// The stand-in for OLE: its start against the display, its reference-counted
// objects, records and memory blocks.
#include "platform/Ole.h"

#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <vector>

#include "testkit/TestKit.h"

namespace {

TEST(Ole, TheDisplayOfTheNamedOrChosenPlatform) {
    const struct {
        const char* platform;  // nullptr: not set
        const char* display;
        const char* wayland;
        bool reachable;
    } cases[] = {
        {"offscreen", nullptr, nullptr, true},  {"minimal", nullptr, nullptr, true},
        {"xcb", ":7", nullptr, true},           {"xcb", nullptr, "wayland-0", false},
        {"xcb:foo=1", ":7", nullptr, true},     {"wayland", nullptr, "wayland-0", true},
        {"wayland-egl", ":7", nullptr, false},  {"wayland;xcb", ":7", nullptr, true},
        {"wayland;xcb", nullptr, nullptr, false}, {nullptr, ":7", nullptr, true},
        {nullptr, nullptr, "wayland-0", true},  {nullptr, nullptr, nullptr, false},
        {"", nullptr, nullptr, false},
    };
    for (const auto& c : cases) {
        testkit::ScopedEnv platform("QT_QPA_PLATFORM", c.platform ? std::optional<std::string>(c.platform) : std::nullopt);
        testkit::ScopedEnv display("DISPLAY", c.display ? std::optional<std::string>(c.display) : std::nullopt);
        testkit::ScopedEnv wayland("WAYLAND_DISPLAY", c.wayland ? std::optional<std::string>(c.wayland) : std::nullopt);
        const bool up = ole::Initialize();
        EXPECT_EQ(up, c.reachable) << (c.platform ? c.platform : "(none)") << " " << (c.display ? c.display : "-")
                                   << " " << (c.wayland ? c.wayland : "-");
        if (up) ole::Uninitialize();
    }
}


TEST(MemoryBlock, ZeroFilledBytesReachedWhileLocked) {
    ole::Block block = ole::MemoryBlock::Allocate(64);
    ASSERT_TRUE(block);
    EXPECT_EQ(block->Size(), 64u);
    EXPECT_EQ(block->LockCount(), 0);
    uint8_t* bytes = block->Lock();
    ASSERT_TRUE(bytes);
    for (std::size_t i = 0; i < 64; ++i) EXPECT_EQ(bytes[i], 0) << i;
    std::memset(bytes, 0x5A, 64);
    EXPECT_EQ(block->Lock(), bytes);  // locks nest
    EXPECT_EQ(block->LockCount(), 2);
    EXPECT_TRUE(block->Unlock());
    EXPECT_TRUE(block->Unlock());
    EXPECT_FALSE(block->Unlock());
    {
        const ole::LockedBlock locked(block);
        EXPECT_EQ(block->LockCount(), 1);
        ASSERT_EQ(locked.Size(), 64u);
        EXPECT_EQ(locked.Data()[63], 0x5A);
    }
    EXPECT_EQ(block->LockCount(), 0);

    ole::Block empty = ole::MemoryBlock::Allocate(0);
    ASSERT_TRUE(empty);
    EXPECT_EQ(empty->Size(), 0u);
    EXPECT_TRUE(empty->Lock());
}

TEST(MemoryBlock, ARequestBeyondTheLimitFails) {
    EXPECT_FALSE(ole::MemoryBlock::Allocate(ole::MemoryBlock::kMaxSize + 1));
    EXPECT_FALSE(ole::MemoryBlock::Allocate(SIZE_MAX));
    const ole::LockedBlock none(nullptr);
    EXPECT_EQ(none.Data(), nullptr);
    EXPECT_EQ(none.Size(), 0u);
}

// Counts its own end, so a test sees when the last reference went.
class Probe : public ole::InterfacedObject, public ole::FormatEnumerator {
public:
    explicit Probe(int& Ends) : ends_(Ends) {}
    ~Probe() override { ++ends_; }
    ole::Result Next(int32_t, ole::FormatEtc*, int32_t*) override { return ole::kFalse; }
    ole::Result Skip(int32_t) override { return ole::kFalse; }
    ole::Result Reset() override { return ole::kOk; }
    ole::Result Clone(ole::FormatEnumerator** Out) override {
        *Out = nullptr;
        return ole::kFail;
    }

private:
    int& ends_;
};

TEST(InterfacedObject, LivesWhileReferencedAndAnswersForItsInterfaces) {
    int ends = 0;
    auto* probe = new Probe(ends);
    EXPECT_EQ(probe->RefCount(), 0u);
    {
        ole::Ref<ole::FormatEnumerator> held(probe);
        EXPECT_EQ(probe->RefCount(), 1u);
        ole::Ref<ole::Counted> base = held;
        EXPECT_EQ(probe->RefCount(), 2u);
        auto again = ole::Query<ole::FormatEnumerator>(base.get(), ole::InterfaceId::FormatEnumerator);
        ASSERT_TRUE(again);
        EXPECT_EQ(again.get(), held.get());
        EXPECT_EQ(probe->RefCount(), 3u);
        EXPECT_FALSE(ole::Query<ole::DataObject>(base.get(), ole::InterfaceId::DataObject));
        void* out = reinterpret_cast<void*>(1);
        EXPECT_EQ(probe->QueryInterface(ole::InterfaceId::DropTarget, &out), ole::kNoInterface);
        EXPECT_EQ(out, nullptr);
        EXPECT_EQ(probe->QueryInterface(ole::InterfaceId::Counted, nullptr), ole::kInvalidArgument);
        EXPECT_EQ(probe->RefCount(), 3u);
        // An outside lock holds the object beyond every other reference.
        EXPECT_EQ(ole::LockObjectExternal(probe, true), ole::kOk);
    }
    EXPECT_EQ(ends, 0);
    EXPECT_EQ(probe->RefCount(), 1u);
    EXPECT_EQ(ole::LockObjectExternal(probe, false), ole::kOk);
    EXPECT_EQ(ends, 1);
    EXPECT_EQ(ole::LockObjectExternal(nullptr, true), ole::kInvalidArgument);
}

TEST(ReleaseMedium, LetsGoOfTheBlockOrHandsTheEndToItsReleaser) {
    ole::StorageMedium medium{ole::kMediumGlobal, ole::MemoryBlock::Allocate(8), nullptr};
    std::weak_ptr<ole::MemoryBlock> watch = medium.block;
    ole::ReleaseMedium(medium);
    EXPECT_TRUE(watch.expired());
    EXPECT_EQ(medium.medium, ole::kMediumNone);

    int ends = 0;
    auto* releaser = new Probe(ends);
    releaser->AddRef();
    ole::StorageMedium owned{ole::kMediumGlobal, ole::MemoryBlock::Allocate(8), releaser};
    ole::ReleaseMedium(owned);
    EXPECT_EQ(ends, 1);
    EXPECT_EQ(owned.releaser, nullptr);
    ole::ReleaseMedium(owned);  // a second release does nothing
    EXPECT_EQ(ends, 1);
}

TEST(FormatGrade, GradesFormatMediumAspectAndIndexInThatOrder) {
    const ole::FormatEtc offered{ole::kFormatFileList, nullptr, ole::kAspectContent, -1, ole::kMediumGlobal};
    struct Case {
        ole::FormatEtc wanted;
        int grade;
        ole::Result answer;
    } cases[] = {
        {{ole::kFormatText, nullptr, ole::kAspectContent, -1, ole::kMediumGlobal}, 0, ole::kFormatNotOffered},
        {{ole::kFormatFileList, nullptr, ole::kAspectContent, -1, ole::kMediumStream}, 1, ole::kMediumNotOffered},
        {{ole::kFormatFileList, nullptr, 4, -1, ole::kMediumGlobal | ole::kMediumStream}, 2, ole::kAspectNotOffered},
        {{ole::kFormatFileList, nullptr, ole::kAspectContent, 0, ole::kMediumGlobal}, 3, ole::kIndexNotOffered},
        {{ole::kFormatFileList, nullptr, ole::kAspectContent, -1, ole::kMediumGlobal}, 4, ole::kOk},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ole::FormatGrade(offered, c.wanted), c.grade);
        EXPECT_EQ(ole::GradeResult(c.grade), c.answer);
    }
}

TEST(Ole, StartsAndEndsComeInPairs) {
    testkit::ScopedEnv platform("QT_QPA_PLATFORM", "offscreen");
    EXPECT_FALSE(ole::Initialized());
    EXPECT_TRUE(ole::Initialize());
    EXPECT_TRUE(ole::Initialize());
    ole::Uninitialize();
    EXPECT_TRUE(ole::Initialized());
    ole::Uninitialize();
    EXPECT_FALSE(ole::Initialized());
    ole::Uninitialize();  // one end too many changes nothing
    EXPECT_FALSE(ole::Initialized());
    {
        // A start that cannot reach its display starts nothing.
        testkit::ScopedEnv x11("QT_QPA_PLATFORM", "xcb");
        testkit::ScopedEnv display("DISPLAY", std::nullopt);
        EXPECT_FALSE(ole::Initialize());
        EXPECT_FALSE(ole::Initialized());
    }
    EXPECT_TRUE(ole::Initialize());
    ole::Uninitialize();
}

}  // namespace
