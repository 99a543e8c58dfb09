// The data-transfer objects of the drag-and-drop unit: the format list, the
// format enumerator and the data object.
#include <algorithm>
#include <cstdint>

#include "platform/Exceptions.h"
#include "platform/Ui.h"
#include "viewer/DragDrop.h"

// ------------------------------------------------------------ TFormatEtcList

namespace {
void CheckItem(int32_t Index, int32_t Count) {
    if (Index < 0 || Index >= Count) throw EListError("Invalid item index");
}
}  // namespace

ole::FormatEtc TFormatEtcList::GetFormat(int32_t Index) const {
    CheckItem(Index, Count());
    return list_[static_cast<std::size_t>(Index)];
}

void TFormatEtcList::SetFormat(int32_t Index, const ole::FormatEtc& Format) {
    CheckItem(Index, Count());
    list_[static_cast<std::size_t>(Index)] = Format;
}

int32_t TFormatEtcList::AddFormat(const ole::FormatEtc& Format) {
    list_.push_back(Format);
    return Count() - 1;
}

std::unique_ptr<TFormatEtcList> TFormatEtcList::CloneList() const { return std::make_unique<TFormatEtcList>(*this); }

// ------------------------------------------------------------ TEnumFormatEtc

TEnumFormatEtc::TEnumFormatEtc(std::unique_ptr<TFormatEtcList> List, int32_t Position)
    : list_(std::move(List)), position_(Position) {}

ole::Result TEnumFormatEtc::Next(int32_t Wanted, ole::FormatEtc* Records, int32_t* Fetched) {
    if (Fetched) *Fetched = 0;
    const int32_t count = list_->Count();
    if (Wanted <= 0 || count == 0 || position_ >= count || (!Fetched && Wanted != 1)) return ole::kFalse;
    if (!Records) return ole::kInvalidArgument;
    const int32_t n = std::min(Wanted, count - position_);
    for (int32_t i = 0; i < n; ++i) Records[i] = list_->GetFormat(position_ + i);
    if (Fetched) *Fetched = n;
    position_ += n;
    return ole::kOk;
}

ole::Result TEnumFormatEtc::Skip(int32_t Count) {
    // A step back would leave the position before the list's start.
    if (Count < 0 || int64_t{position_} + Count > list_->Count()) return ole::kFalse;
    position_ += Count;
    return ole::kOk;
}

ole::Result TEnumFormatEtc::Reset() {
    position_ = 0;
    return ole::kOk;
}

ole::Result TEnumFormatEtc::Clone(ole::FormatEnumerator** Out) {
    if (!Out) return ole::kInvalidArgument;
    *Out = nullptr;
    try {
        ole::Ref<TEnumFormatEtc> clone(new TEnumFormatEtc(list_->CloneList(), position_));
        *Out = clone.detach();
        return ole::kOk;
    } catch (const std::exception&) {
        return ole::kFail;
    }
}

// --------------------------------------------------------------- TDataObject

ole::Result TDataObject::GetData(const ole::FormatEtc& Format, ole::StorageMedium& Medium) {
    if (formats_.Count() == 0) return ole::kFormatNotOffered;
    for (int32_t i = 0; i < formats_.Count(); ++i) {
        const ole::FormatEtc offered = formats_.GetFormat(i);
        if ((offered.media & Format.media) == 0) continue;
        if (CheckLindex && offered.lindex != Format.lindex) continue;
        if (CheckdwAspect && offered.aspect != Format.aspect) continue;
        if (offered.format != Format.format) continue;
        try {
            const ui::WaitCursor busy;
            return RenderData(Format, Medium);
        } catch (const std::exception&) {
            Medium.block.reset();
            return ole::kFail;
        }
    }
    return ole::kFormatNotOffered;
}

ole::Result TDataObject::GetDataHere(const ole::FormatEtc&, ole::StorageMedium&) { return ole::kNotImplemented; }

ole::Result TDataObject::QueryGetData(const ole::FormatEtc& Format) {
    int best = 0;
    for (int32_t i = 0; i < formats_.Count(); ++i) best = std::max(best, ole::FormatGrade(formats_.GetFormat(i), Format));
    return ole::GradeResult(best);
}

ole::Result TDataObject::GetCanonicalFormatEtc(const ole::FormatEtc&, ole::FormatEtc&) { return ole::kNotImplemented; }

ole::Result TDataObject::SetData(const ole::FormatEtc& Format, ole::StorageMedium&, bool Release) {
    if (!Release) {
        bool found = false;
        for (int32_t i = 0; i < formats_.Count(); ++i) {
            if (formats_.GetFormat(i).format != Format.format) continue;
            formats_.SetFormat(i, Format);
            found = true;
        }
        if (!found) formats_.AddFormat(Format);
    }
    // The medium is never kept: a subclass renders its data itself.
    return ole::kFail;
}

ole::Result TDataObject::EnumFormatEtc(uint32_t Direction, ole::FormatEnumerator** Out) {
    if (!Out) return ole::kInvalidArgument;
    *Out = nullptr;
    if (Direction != ole::kDirectionGet) return ole::kUseRegistry;
    ole::Ref<TEnumFormatEtc> formats(new TEnumFormatEtc(formats_.CloneList()));
    *Out = formats.detach();
    return ole::kOk;
}

ole::Result TDataObject::DAdvise(const ole::FormatEtc&, uint32_t, ole::Counted*, uint32_t*) {
    return ole::kNotImplemented;
}

ole::Result TDataObject::DUnadvise(uint32_t) { return ole::kNotImplemented; }

ole::Result TDataObject::EnumDAdvise(ole::Counted** Out) {
    if (Out) *Out = nullptr;
    return ole::kAdviseNotSupported;
}
