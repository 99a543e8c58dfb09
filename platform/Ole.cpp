#include "platform/Ole.h"

#include <cstdlib>
#include <new>
#include <string>

namespace ole {

int FormatGrade(const FormatEtc& Offered, const FormatEtc& Wanted) {
    if (Offered.format != Wanted.format) return 0;
    if ((Offered.media & Wanted.media) == 0) return 1;
    if (Offered.aspect != Wanted.aspect) return 2;
    if (Offered.lindex != Wanted.lindex) return 3;
    return 4;
}

Result GradeResult(int BestGrade) {
    switch (BestGrade) {
        case 4: return kOk;
        case 3: return kIndexNotOffered;
        case 2: return kAspectNotOffered;
        case 1: return kMediumNotOffered;
        default: return kFormatNotOffered;
    }
}

MemoryBlock::MemoryBlock(std::size_t Size) : bytes_(new uint8_t[Size == 0 ? 1 : Size]()), size_(Size) {}

std::shared_ptr<MemoryBlock> MemoryBlock::Allocate(std::size_t Size) {
    if (Size > kMaxSize) return nullptr;
    try {
        return std::make_shared<MemoryBlock>(Size);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

uint8_t* MemoryBlock::Lock() {
    ++locks_;
    return bytes_.get();
}

bool MemoryBlock::Unlock() {
    if (locks_ == 0) return false;
    --locks_;
    return true;
}

void ReleaseMedium(StorageMedium& Medium) {
    if (Counted* releaser = Medium.releaser) {
        Medium.releaser = nullptr;
        releaser->Release();
    }
    Medium.block.reset();
    Medium.medium = kMediumNone;
}

Result InterfacedObject::QueryInterface(InterfaceId Id, void** Out) {
    if (!Out) return kInvalidArgument;
    *Out = nullptr;
    switch (Id) {
        case InterfaceId::Counted: *Out = static_cast<Counted*>(this); break;
        case InterfaceId::FormatEnumerator: *Out = dynamic_cast<FormatEnumerator*>(this); break;
        case InterfaceId::DataObject: *Out = dynamic_cast<DataObject*>(this); break;
        case InterfaceId::DropTarget: *Out = dynamic_cast<DropTarget*>(this); break;
    }
    if (!*Out) return kNoInterface;
    AddRef();
    return kOk;
}

uint32_t InterfacedObject::AddRef() { return ++count_; }

uint32_t InterfacedObject::Release() {
    const uint32_t left = --count_;
    if (left == 0) delete this;
    return left;
}

namespace {

int g_starts = 0;  // the GUI thread's only

bool Set(const char* name) {
    const char* v = std::getenv(name);
    return v && *v;
}

// One platform name, its arguments after a colon left off.
bool Reachable(std::string platform) {
    platform = platform.substr(0, platform.find(':'));
    if (platform == "xcb") return Set("DISPLAY");
    if (platform.rfind("wayland", 0) == 0) return Set("WAYLAND_DISPLAY");
    return !platform.empty();
}

bool DisplayReachable() {
    const char* named = std::getenv("QT_QPA_PLATFORM");
    if (!named || !*named) return Set("WAYLAND_DISPLAY") || Set("DISPLAY");
    // A list separated by ";" is tried in order until one starts.
    const std::string list = named;
    for (std::size_t at = 0;;) {
        const std::size_t end = list.find(';', at);
        if (Reachable(list.substr(at, end == std::string::npos ? std::string::npos : end - at))) return true;
        if (end == std::string::npos) return false;
        at = end + 1;
    }
}

}  // namespace

bool Initialize() {
    if (!DisplayReachable()) return false;
    ++g_starts;
    return true;
}

void Uninitialize() {
    if (g_starts > 0) --g_starts;
}

bool Initialized() { return g_starts > 0; }

Result LockObjectExternal(Counted* Object, bool Lock) {
    if (!Object) return kInvalidArgument;
    if (Lock) Object->AddRef();
    else Object->Release();
    return kOk;
}

}  // namespace ole
