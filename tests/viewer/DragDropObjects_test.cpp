// The data-transfer objects: the format list, the format enumerator, the
// data object and the file-list data object.
#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/Exceptions.h"
#include "platform/OleDropFiles.h"
#include "tests/viewer/ViewerTestKit.h"
#include "viewer/DragDrop.h"
#include "viewer/DragDropFiles.h"

namespace {

ole::FormatEtc Format(ole::ClipFormat F, uint32_t Media = ole::kMediumGlobal, uint32_t Aspect = ole::kAspectContent,
                      int32_t Lindex = -1) {
    ole::FormatEtc f;
    f.format = F;
    f.media = Media;
    f.aspect = Aspect;
    f.lindex = Lindex;
    return f;
}

std::unique_ptr<TFormatEtcList> ListOf(std::initializer_list<ole::ClipFormat> Formats) {
    auto list = std::make_unique<TFormatEtcList>();
    for (ole::ClipFormat f : Formats) list->AddFormat(Format(f));
    return list;
}

std::vector<ole::ClipFormat> Formats(ole::FormatEnumerator& E) {
    std::vector<ole::ClipFormat> out;
    ole::FormatEtc r;
    int32_t fetched = 0;
    while (E.Next(1, &r, &fetched) == ole::kOk) out.push_back(r.format);
    return out;
}

TEST(TFormatEtcList, IndexesInsideTheListOnly) {
    TFormatEtcList list;
    EXPECT_EQ(list.Count(), 0);
    try {
        list.GetFormat(0);
        ADD_FAILURE() << "no error for an empty list";
    } catch (const EListError& e) {
        EXPECT_STREQ(e.what(), "Invalid item index");
    }
    EXPECT_EQ(list.AddFormat(Format(15)), 0);
    EXPECT_EQ(list.AddFormat(Format(1)), 1);
    EXPECT_EQ(list.Count(), 2);
    EXPECT_EQ(list.GetFormat(1).format, 1);
    EXPECT_THROW(list.GetFormat(-1), EListError);
    EXPECT_THROW(list.GetFormat(2), EListError);
    EXPECT_THROW(list.SetFormat(2, Format(3)), EListError);
    list.SetFormat(0, Format(7, ole::kMediumStream));
    EXPECT_EQ(list.GetFormat(0).format, 7);
    EXPECT_EQ(list.GetFormat(0).media, ole::kMediumStream);

    auto clone = list.CloneList();
    ASSERT_EQ(clone->Count(), 2);
    clone->SetFormat(1, Format(9));
    EXPECT_EQ(list.GetFormat(1).format, 1);
    EXPECT_EQ(clone->GetFormat(0).format, 7);
}

TEST(TEnumFormatEtc, NextFetchesWhatIsLeftAndThenSaysNoMore) {
    struct Case {
        const char* what;
        std::vector<ole::ClipFormat> list;
        int32_t skipFirst;
        int32_t wanted;
        bool withFetched;
        ole::Result answer;
        int32_t fetched;
    } cases[] = {
        {"three wanted of two", {15, 1}, 0, 3, true, ole::kOk, 2},
        {"one wanted of two", {15, 1}, 0, 1, true, ole::kOk, 1},
        {"one without a count", {15, 1}, 0, 1, false, ole::kOk, 0},
        {"two without a count", {15, 1}, 0, 2, false, ole::kFalse, 0},
        {"none wanted", {15, 1}, 0, 0, true, ole::kFalse, 0},
        {"fewer than none wanted", {15, 1}, 0, -1, true, ole::kFalse, 0},
        {"an empty list", {}, 0, 1, true, ole::kFalse, 0},
        {"at the end", {15, 1}, 2, 1, true, ole::kFalse, 0},
        {"the last one", {15, 1}, 1, 5, true, ole::kOk, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        auto list = std::make_unique<TFormatEtcList>();
        for (ole::ClipFormat f : c.list) list->AddFormat(Format(f));
        ole::Ref<TEnumFormatEtc> e(new TEnumFormatEtc(std::move(list)));
        ASSERT_EQ(e->Skip(c.skipFirst), ole::kOk);
        std::vector<ole::FormatEtc> records(5);
        int32_t fetched = 77;
        EXPECT_EQ(e->Next(c.wanted, records.data(), c.withFetched ? &fetched : nullptr), c.answer);
        if (c.withFetched) {
            EXPECT_EQ(fetched, c.fetched);
        }
        for (int32_t i = 0; i < c.fetched; ++i) EXPECT_EQ(records[i].format, c.list[c.skipFirst + i]);
    }
}

TEST(TEnumFormatEtc, AfterAShortFetchTheNextSaysNoMore) {
    ole::Ref<TEnumFormatEtc> e(new TEnumFormatEtc(ListOf({15, 1})));
    ole::FormatEtc records[3];
    int32_t fetched = 0;
    EXPECT_EQ(e->Next(3, records, &fetched), ole::kOk);
    EXPECT_EQ(fetched, 2);
    EXPECT_EQ(records[0].format, 15);
    EXPECT_EQ(records[1].format, 1);
    EXPECT_EQ(e->Next(3, records, &fetched), ole::kFalse);
    EXPECT_EQ(fetched, 0);
    EXPECT_EQ(e->Reset(), ole::kOk);
    EXPECT_EQ(Formats(*e), (std::vector<ole::ClipFormat>{15, 1}));
}

TEST(TEnumFormatEtc, SkipToTheEndButNotBeyondNorBack) {
    ole::Ref<TEnumFormatEtc> e(new TEnumFormatEtc(ListOf({15, 1, 2})));
    EXPECT_EQ(e->Skip(1), ole::kOk);
    EXPECT_EQ(e->Skip(2), ole::kOk);  // exactly Count
    EXPECT_EQ(e->Skip(1), ole::kFalse);
    EXPECT_EQ(e->Skip(0), ole::kOk);
    EXPECT_EQ(e->Reset(), ole::kOk);
    EXPECT_EQ(e->Skip(4), ole::kFalse);
    EXPECT_EQ(e->Skip(1), ole::kOk);
    // A step back would leave the position before the list.
    EXPECT_EQ(e->Skip(-1), ole::kFalse);
    EXPECT_EQ(e->Skip(INT32_MAX), ole::kFalse);
    EXPECT_EQ(Formats(*e), (std::vector<ole::ClipFormat>{1, 2}));
}

TEST(TEnumFormatEtc, ACloneAndItsOriginalGoInEitherOrder) {
    for (bool originalFirst : {true, false}) {
        SCOPED_TRACE(originalFirst ? "original first" : "clone first");
        ole::Ref<TEnumFormatEtc> original(new TEnumFormatEtc(ListOf({15, 1, 2})));
        ASSERT_EQ(original->Skip(1), ole::kOk);
        ole::FormatEnumerator* raw = reinterpret_cast<ole::FormatEnumerator*>(1);
        ASSERT_EQ(original->Clone(&raw), ole::kOk);
        ole::Ref<ole::FormatEnumerator> clone = ole::Ref<ole::FormatEnumerator>::Adopt(raw);
        ASSERT_TRUE(clone);
        // Each goes on from the same position over its own copy.
        if (originalFirst) {
            original.reset();
            EXPECT_EQ(Formats(*clone), (std::vector<ole::ClipFormat>{1, 2}));
        } else {
            clone.reset();
            EXPECT_EQ(Formats(*original), (std::vector<ole::ClipFormat>{1, 2}));
        }
    }
    ole::Ref<TEnumFormatEtc> e(new TEnumFormatEtc(ListOf({})));
    EXPECT_EQ(e->Clone(nullptr), ole::kInvalidArgument);
}

// Offers formats by SetData as a subclass does, and renders by a function.
class TTestData : public TDataObject {
public:
    explicit TTestData(std::initializer_list<ole::FormatEtc> Offered) {
        ole::StorageMedium none;
        for (const ole::FormatEtc& f : Offered) SetData(f, none, false);
    }
    std::function<ole::Result(const ole::FormatEtc&, ole::StorageMedium&)> render;
    std::vector<ole::FormatEtc> asked;

protected:
    ole::Result RenderData(const ole::FormatEtc& F, ole::StorageMedium& M) override {
        asked.push_back(F);
        return render ? render(F, M) : ole::kOk;
    }
};

TEST(TDataObject, GetDataRendersTheFirstFittingFormatOnly) {
    testkit::ScopedScriptedUi ui;
    ole::Ref<TTestData> empty(new TTestData({}));
    ole::StorageMedium medium;
    EXPECT_EQ(empty->GetData(Format(15), medium), ole::kFormatNotOffered);
    EXPECT_TRUE(empty->asked.empty());

    ole::Ref<TTestData> data(new TTestData({Format(15), Format(1, ole::kMediumStream, 4, 3)}));
    bool waited = false;
    data->render = [&](const ole::FormatEtc&, ole::StorageMedium& M) {
        waited = ui->WaitCursor();
        M.medium = ole::kMediumGlobal;
        M.block = ole::MemoryBlock::Allocate(4);
        return ole::kOk;
    };
    EXPECT_EQ(data->GetData(Format(15), medium), ole::kOk);
    EXPECT_TRUE(waited);
    EXPECT_FALSE(ui->WaitCursor());
    ASSERT_TRUE(medium.block);
    ole::ReleaseMedium(medium);
    ASSERT_EQ(data->asked.size(), 1u);

    // Index and aspect count only when asked to; the medium always does.
    EXPECT_EQ(data->GetData(Format(1, ole::kMediumStream | ole::kMediumGlobal), medium), ole::kOk);
    EXPECT_EQ(data->GetData(Format(1, ole::kMediumGlobal), medium), ole::kFormatNotOffered);
    data->CheckLindex = true;
    EXPECT_EQ(data->GetData(Format(1, ole::kMediumStream), medium), ole::kFormatNotOffered);
    EXPECT_EQ(data->GetData(Format(1, ole::kMediumStream, ole::kAspectContent, 3), medium), ole::kOk);
    data->CheckdwAspect = true;
    EXPECT_EQ(data->GetData(Format(1, ole::kMediumStream, ole::kAspectContent, 3), medium), ole::kFormatNotOffered);
    EXPECT_EQ(data->GetData(Format(1, ole::kMediumStream, 4, 3), medium), ole::kOk);
    EXPECT_EQ(data->asked.size(), 4u);
    EXPECT_EQ(data->GetData(Format(2), medium), ole::kFormatNotOffered);
    EXPECT_EQ(data->asked.size(), 4u);
}

TEST(TDataObject, AFailingRenderingAnswersFailWithNoBlockAndTheCursorBack) {
    testkit::ScopedScriptedUi ui;
    ole::Ref<TTestData> data(new TTestData({Format(15)}));
    data->render = [](const ole::FormatEtc&, ole::StorageMedium& M) -> ole::Result {
        M.block = ole::MemoryBlock::Allocate(8);
        throw std::runtime_error("no memory for the list");
    };
    ole::StorageMedium medium;
    EXPECT_EQ(data->GetData(Format(15), medium), ole::kFail);
    EXPECT_FALSE(medium.block);
    EXPECT_FALSE(ui->WaitCursor());
    data->render = [](const ole::FormatEtc&, ole::StorageMedium&) { return ole::kOutOfMemory; };
    EXPECT_EQ(data->GetData(Format(15), medium), ole::kOutOfMemory);
}

TEST(TDataObject, QueryGetDataAnswersByTheBestGrade) {
    ole::Ref<TTestData> data(new TTestData({Format(15), Format(1, ole::kMediumFile, ole::kAspectContent, 0)}));
    EXPECT_EQ(data->QueryGetData(Format(15)), ole::kOk);
    EXPECT_EQ(data->QueryGetData(Format(15, ole::kMediumStream)), ole::kMediumNotOffered);
    EXPECT_EQ(data->QueryGetData(Format(15, ole::kMediumGlobal, 4)), ole::kAspectNotOffered);
    EXPECT_EQ(data->QueryGetData(Format(15, ole::kMediumGlobal, ole::kAspectContent, 2)), ole::kIndexNotOffered);
    EXPECT_EQ(data->QueryGetData(Format(2)), ole::kFormatNotOffered);
    // The best entry counts, whichever comes first.
    EXPECT_EQ(data->QueryGetData(Format(1, ole::kMediumFile, ole::kAspectContent, 0)), ole::kOk);
    ole::Ref<TTestData> none(new TTestData({}));
    EXPECT_EQ(none->QueryGetData(Format(15)), ole::kFormatNotOffered);
}

TEST(TDataObject, SetDataOverwritesOrAddsTheFormatAndAlwaysFails) {
    ole::Ref<TTestData> data(new TTestData({Format(15), Format(1), Format(15, ole::kMediumFile)}));
    ole::StorageMedium medium;
    EXPECT_EQ(data->SetData(Format(2), medium, true), ole::kFail);
    EXPECT_EQ(data->SetData(Format(15, ole::kMediumStream), medium, false), ole::kFail);
    EXPECT_EQ(data->SetData(Format(3), medium, false), ole::kFail);
    ole::FormatEnumerator* raw = nullptr;
    ASSERT_EQ(data->EnumFormatEtc(ole::kDirectionGet, &raw), ole::kOk);
    auto formats = ole::Ref<ole::FormatEnumerator>::Adopt(raw);
    std::vector<std::pair<ole::ClipFormat, uint32_t>> seen;
    ole::FormatEtc r;
    while (formats->Next(1, &r, nullptr) == ole::kOk) seen.push_back({r.format, r.media});
    // The second offer of format 15 replaced the first, as every later one does.
    EXPECT_EQ(seen, (std::vector<std::pair<ole::ClipFormat, uint32_t>>{
                        {15, ole::kMediumStream}, {1, ole::kMediumGlobal}, {3, ole::kMediumGlobal}}));
}

TEST(TDataObject, EnumeratesACopyOfItsFormatsForGettingOnly) {
    ole::Ref<TTestData> data(new TTestData({Format(15)}));
    ole::FormatEnumerator* raw = nullptr;
    ASSERT_EQ(data->EnumFormatEtc(ole::kDirectionGet, &raw), ole::kOk);
    auto formats = ole::Ref<ole::FormatEnumerator>::Adopt(raw);
    ole::StorageMedium medium;
    data->SetData(Format(1), medium, false);
    EXPECT_EQ(Formats(*formats), (std::vector<ole::ClipFormat>{15}));
    data.reset();  // the enumerator owns its own list
    EXPECT_EQ(formats->Reset(), ole::kOk);
    EXPECT_EQ(Formats(*formats), (std::vector<ole::ClipFormat>{15}));

    ole::Ref<TTestData> other(new TTestData({Format(15)}));
    raw = reinterpret_cast<ole::FormatEnumerator*>(1);
    EXPECT_EQ(other->EnumFormatEtc(ole::kDirectionSet, &raw), ole::kUseRegistry);
    EXPECT_EQ(raw, nullptr);
}

TEST(TDataObject, WhatItDoesNotDoItSays) {
    ole::Ref<TTestData> data(new TTestData({Format(15)}));
    ole::StorageMedium medium;
    ole::FormatEtc out;
    EXPECT_EQ(data->GetDataHere(Format(15), medium), ole::kNotImplemented);
    EXPECT_EQ(data->GetCanonicalFormatEtc(Format(15), out), ole::kNotImplemented);
    uint32_t connection = 0;
    EXPECT_EQ(data->DAdvise(Format(15), 0, nullptr, &connection), ole::kNotImplemented);
    EXPECT_EQ(data->DUnadvise(connection), ole::kNotImplemented);
    ole::Counted* advice = reinterpret_cast<ole::Counted*>(1);
    EXPECT_EQ(data->EnumDAdvise(&advice), ole::kAdviseNotSupported);
    EXPECT_EQ(advice, nullptr);
    EXPECT_TRUE(data->asked.empty());
}

TEST(TDataObjectFiles, RendersTheWholeBlockOfItsListAsAGlobalBlock) {
    testkit::ScopedScriptedUi ui;
    ole::Ref<TDataObjectFiles> data(new TDataObjectFiles({"/tmp/a.tif", "/tmp/a.tif", "/home/x/Grüße.TIF"}));
    EXPECT_EQ(data->QueryGetData(FileListFormat()), ole::kOk);
    EXPECT_EQ(data->QueryGetData(Format(ole::kFormatText)), ole::kFormatNotOffered);
    ole::StorageMedium medium;
    ASSERT_EQ(data->GetData(FileListFormat(), medium), ole::kOk);
    EXPECT_EQ(medium.medium, ole::kMediumGlobal);
    EXPECT_EQ(medium.releaser, nullptr);
    const ole::LockedBlock locked(medium.block);
    const std::string block(reinterpret_cast<const char*>(locked.Data()), locked.Size());
    const std::string header("\x14\0\0\0" "\0\0\0\0" "\0\0\0\0" "\0\0\0\0" "\0\0\0\0", 20);
    const char names[] = "/tmp/a.tif\0/tmp/a.tif\0/home/x/Grüße.TIF\0\0";
    EXPECT_EQ(block, header + std::string(names, sizeof names - 1));
    EXPECT_EQ(ole::ParseDropFiles(block),
              (std::vector<std::string>{"/tmp/a.tif", "/tmp/a.tif", "/home/x/Grüße.TIF"}));
    EXPECT_EQ(FileListFormat().lindex, -1);
    EXPECT_EQ(FileListFormat().aspect, ole::kAspectContent);
}

}  // namespace
