#include "modem/Modem.h"

#include <gtest/gtest.h>

#include <functional>
#include <sstream>
#include <vector>

namespace {

std::string Bytes(std::initializer_list<int> list) {
    std::string s;
    for (int b : list) s += static_cast<char>(b);
    return s;
}

TEST(ModemClass, EverySlotButSelfModeIsAbstract) {
    TModemClass m;
    std::string text = "kept";
    const std::vector<std::function<void()>> slots = {
        [&] { m.Create(nullptr); },
        [&] { m.GetProgress(); },
        [&] { m.Refresh(); },
        [&] { m.GetMsgCount(); },
        [&] { m.GetNewMsgCount(); },
        [&] { m.GetFreeMemory(); },
        [&] { m.GetMsgDuration(1); },
        [&] { m.CanEraseSingle(); },
        [&] { m.GetMsgCallerId(1, text); },
        [&] { m.GetMsgType(1); },
        [&] { m.GetMsgSize(1, text); },
        [&] { m.GetMsgDateTime(1); },
        [&] { m.GetMsgState(1); },
        [&] { m.GetMsgStatus(1); },
        nullptr,  // slot 14
        [&] { m.PlayMsg(1); },
        [&] { m.SaveFaxMsg(1, "x.tif", ""); },
        [&] { m.EraseMsg(1); },
        [&] { m.EraseAllMsgs(); },
        [&] { m.HasNewMsgs(); },
        [&] { m.IsMsgNew(1); },
        [&] { m.ReleaseNewMsgs(); },
        [&] { m.ShowSettings(); },
        [&] { m.ShowInfo(); },
    };
    ASSERT_EQ(slots.size(), 24u);
    for (size_t slot = 0; slot < slots.size(); ++slot) {
        if (!slots[slot]) continue;
        SCOPED_TRACE(slot);
        try {
            slots[slot]();
            ADD_FAILURE() << "no exception";
        } catch (const EAbstractError& e) {
            EXPECT_STREQ(e.what(), "Abstract Error");
        }
    }
    EXPECT_EQ(text, "kept");
}

TEST(ModemClass, SelfModeDoesNothingAndStateStaysAsCreated) {
    TModemClass m;
    EXPECT_NO_THROW(m.SetSelfMode(true));
    EXPECT_NO_THROW(m.SetSelfMode(false));
    EXPECT_EQ(m.Comm, nullptr);
    EXPECT_EQ(m.FreeMemory, 0);
}

// A family overrides the slots; calls through the base dispatch to it.
class TFakeFamily : public TModemClass {
public:
    explicit TFakeFamily(TCommClass* c) { Create(c); }
    void Create(TCommClass* c) override { Comm = c; }
    int32_t GetMsgCount() override { return 7; }
};

TEST(ModemClass, FamilyOverridesDispatchThroughTheBase) {
    auto* fakeComm = reinterpret_cast<TCommClass*>(0x1000);
    TFakeFamily f(fakeComm);
    TModemClass& base = f;
    EXPECT_EQ(base.Comm, fakeComm);
    EXPECT_EQ(base.GetMsgCount(), 7);
    EXPECT_THROW(base.Refresh(), EAbstractError);
}

TEST(ModemHelpers, WriteLongLE) {
    struct Case { int64_t value; std::string bytes; };
    const Case cases[] = {
        {0x0102, Bytes({2, 1, 0, 0})},
        {0, Bytes({0, 0, 0, 0})},
        {0x7FFFFFFF, Bytes({0xFF, 0xFF, 0xFF, 0x7F})},
        {0x12345678, Bytes({0x78, 0x56, 0x34, 0x12})},
    };
    for (const auto& c : cases) {
        std::ostringstream out;
        WriteLongLE(out, c.value);
        EXPECT_EQ(out.str(), c.bytes) << c.value;
    }
}

TEST(ModemHelpers, WriteLongLEOutOfRangeRaisesAndWritesNothing) {
    for (int64_t v : {int64_t{0x80000000}, int64_t{0xFFFFFFFF}, int64_t{-1}, int64_t{1} << 40}) {
        std::ostringstream out;
        EXPECT_THROW(WriteLongLE(out, v), EIntOverflow) << v;
        EXPECT_TRUE(out.str().empty());
    }
}

TEST(ModemHelpers, WriteWordLE) {
    std::ostringstream out;
    WriteWordLE(out, 0x0102);
    WriteWordLE(out, 0xFFFF);
    WriteWordLE(out, 0);
    EXPECT_EQ(out.str(), Bytes({2, 1, 0xFF, 0xFF, 0, 0}));
    std::ostringstream bad;
    EXPECT_THROW(WriteWordLE(bad, 0x10000), EIntOverflow);
    EXPECT_THROW(WriteWordLE(bad, -1), EIntOverflow);
    EXPECT_TRUE(bad.str().empty());
}

TEST(ModemHelpers, ReverseBits) {
    EXPECT_EQ(ReverseBits(1), 128);
    EXPECT_EQ(ReverseBits(0x0F), 0xF0);
    EXPECT_EQ(ReverseBits(0x10), 0x08);
    EXPECT_EQ(ReverseBits(0x03), 0xC0);
    EXPECT_EQ(ReverseBits(0x41), 0x82);
    EXPECT_EQ(ReverseBits(0x42), 0x42);
    for (int b = 0; b < 256; ++b) {
        const auto r = ReverseBits(static_cast<uint8_t>(b));
        EXPECT_EQ(ReverseBits(r), b);
        // Bit i of the result is bit 7 - i of the input.
        for (int i = 0; i < 8; ++i) EXPECT_EQ((r >> i) & 1, (b >> (7 - i)) & 1) << b;
    }
}

}  // namespace
