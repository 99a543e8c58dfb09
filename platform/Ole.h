#pragma once
// What stands for OLE here: the desktop's own services for the clipboard,
// drag and drop and the windows the programs show, reached through the GUI
// toolkit's display connection, and the terms the drag-and-drop units speak
// in: reference-counted interfaces for data objects, format enumerators and
// drop targets, their result codes, the format and storage records they
// exchange, and a movable memory block whose bytes are reached only while it
// is locked. The binding to Qt's drag events is OleDragDrop.h, the clipboard
// OleClipboard.h, the file-list block OleDropFiles.h.
#include <QPoint>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>

namespace ole {

// Result codes: success is zero or positive, failure negative.
using Result = int32_t;
inline constexpr Result kOk = 0;
inline constexpr Result kFalse = 1;
// Enumeration of a direction the object does not enumerate itself.
inline constexpr Result kUseRegistry = 2;
inline constexpr Result kFail = -1;
inline constexpr Result kNotImplemented = -2;
inline constexpr Result kOutOfMemory = -3;
inline constexpr Result kNoInterface = -4;
inline constexpr Result kInvalidArgument = -5;
// A data object has no such format; has it, but not on that medium, in that
// aspect, or for that index.
inline constexpr Result kFormatNotOffered = -10;
inline constexpr Result kMediumNotOffered = -11;
inline constexpr Result kAspectNotOffered = -12;
inline constexpr Result kIndexNotOffered = -13;
inline constexpr Result kAdviseNotSupported = -14;
// Drop registration.
inline constexpr Result kNotInitialized = -20;
inline constexpr Result kAlreadyRegistered = -21;
inline constexpr Result kNotRegistered = -22;
inline constexpr Result kInvalidWindow = -23;

inline bool Succeeded(Result r) { return r >= 0; }

// Clipboard formats.
using ClipFormat = uint16_t;
inline constexpr ClipFormat kFormatText = 1;      // zero-ended text
inline constexpr ClipFormat kFormatFileList = 15;  // the file-list block (OleDropFiles.h)

// Aspects of a rendering, storage media (a bit set) and enumeration directions.
inline constexpr uint32_t kAspectContent = 1;
inline constexpr uint32_t kMediumNone = 0;
inline constexpr uint32_t kMediumGlobal = 1;
inline constexpr uint32_t kMediumFile = 2;
inline constexpr uint32_t kMediumStream = 4;
inline constexpr uint32_t kMediumStorage = 8;
inline constexpr uint32_t kDirectionGet = 1;
inline constexpr uint32_t kDirectionSet = 2;

// Drop effects (a bit set); the scroll flag marks a target that scrolls.
inline constexpr uint32_t kEffectNone = 0;
inline constexpr uint32_t kEffectCopy = 1;
inline constexpr uint32_t kEffectMove = 2;
inline constexpr uint32_t kEffectLink = 4;
inline constexpr uint32_t kEffectScroll = 0x80000000u;

// Key state of a drag: the buttons and modifier keys held.
inline constexpr uint32_t kKeyLeftButton = 1;
inline constexpr uint32_t kKeyRightButton = 2;
inline constexpr uint32_t kKeyShift = 4;
inline constexpr uint32_t kKeyControl = 8;
inline constexpr uint32_t kKeyMiddleButton = 16;
inline constexpr uint32_t kKeyAlt = 32;

// What a data object is asked for or offers.
struct FormatEtc {
    ClipFormat format = 0;
    const void* targetDevice = nullptr;  // never set here: every rendering is device independent
    uint32_t aspect = kAspectContent;
    int32_t lindex = -1;
    uint32_t media = kMediumGlobal;
};

// How well an offered format serves a wanted one: 0 another format, 1 the
// same format, 2 and a shared medium, 3 and the same aspect, 4 and the same
// index (a match).
int FormatGrade(const FormatEtc& Offered, const FormatEtc& Wanted);
// The answer to a format query by the best grade among the offered formats.
Result GradeResult(int BestGrade);

// A block of memory handed between data objects and their callers. Its bytes
// have an address only between Lock and Unlock, so whoever holds the handle
// may not keep a pointer into it.
class MemoryBlock {
public:
    // The largest block handed out; a request beyond it fails as an
    // exhausted memory would.
    static constexpr std::size_t kMaxSize = std::size_t{1} << 30;
    // A zero-filled block; null when the memory cannot be had.
    static std::shared_ptr<MemoryBlock> Allocate(std::size_t Size);

    std::size_t Size() const { return size_; }
    // Locks nest; each Lock needs its Unlock. Unlock answers false when the
    // block was not locked.
    uint8_t* Lock();
    bool Unlock();
    int LockCount() const { return locks_; }

    explicit MemoryBlock(std::size_t Size);
    MemoryBlock(const MemoryBlock&) = delete;
    MemoryBlock& operator=(const MemoryBlock&) = delete;

private:
    std::unique_ptr<uint8_t[]> bytes_;
    std::size_t size_;
    int locks_ = 0;
};
using Block = std::shared_ptr<MemoryBlock>;

// A block locked for a scope.
class LockedBlock {
public:
    explicit LockedBlock(const Block& B) : block_(B), data_(B ? B->Lock() : nullptr) {}
    ~LockedBlock() {
        if (data_) block_->Unlock();
    }
    LockedBlock(const LockedBlock&) = delete;
    LockedBlock& operator=(const LockedBlock&) = delete;
    uint8_t* Data() const { return data_; }
    std::size_t Size() const { return data_ ? block_->Size() : 0; }

private:
    Block block_;
    uint8_t* data_;
};

// The interfaces an object may be asked for.
enum class InterfaceId { Counted, FormatEnumerator, DataObject, DropTarget };

// The reference-counted base of every interface: an object lives while
// somebody holds a reference.
class Counted {
public:
    // On success Out holds the interface with a new reference.
    virtual Result QueryInterface(InterfaceId Id, void** Out) = 0;
    virtual uint32_t AddRef() = 0;
    virtual uint32_t Release() = 0;

protected:
    virtual ~Counted() = default;
};

// A data rendering: its medium, the block that holds it and, when set, the
// object whose release frees the rendering.
struct StorageMedium {
    uint32_t medium = kMediumNone;
    Block block;
    Counted* releaser = nullptr;
};
// Frees a rendering that a data object handed out.
void ReleaseMedium(StorageMedium& Medium);

class FormatEnumerator : public virtual Counted {
public:
    // Copies up to Wanted records to Records; Fetched (may be null when
    // Wanted is 1) tells how many.
    virtual Result Next(int32_t Wanted, FormatEtc* Records, int32_t* Fetched) = 0;
    virtual Result Skip(int32_t Count) = 0;
    virtual Result Reset() = 0;
    virtual Result Clone(FormatEnumerator** Out) = 0;
};

class DataObject : public virtual Counted {
public:
    virtual Result GetData(const FormatEtc& Format, StorageMedium& Medium) = 0;
    virtual Result GetDataHere(const FormatEtc& Format, StorageMedium& Medium) = 0;
    virtual Result QueryGetData(const FormatEtc& Format) = 0;
    virtual Result GetCanonicalFormatEtc(const FormatEtc& In, FormatEtc& Out) = 0;
    virtual Result SetData(const FormatEtc& Format, StorageMedium& Medium, bool Release) = 0;
    virtual Result EnumFormatEtc(uint32_t Direction, FormatEnumerator** Out) = 0;
    virtual Result DAdvise(const FormatEtc& Format, uint32_t Flags, Counted* Sink, uint32_t* Connection) = 0;
    virtual Result DUnadvise(uint32_t Connection) = 0;
    virtual Result EnumDAdvise(Counted** Out) = 0;
};

// Points are screen coordinates; Effect holds the allowed effects on the way
// in and the chosen one on the way out.
class DropTarget : public virtual Counted {
public:
    virtual Result DragEnter(DataObject* Data, uint32_t KeyState, QPoint Point, uint32_t* Effect) = 0;
    virtual Result DragOver(uint32_t KeyState, QPoint Point, uint32_t* Effect) = 0;
    virtual Result DragLeave() = 0;
    virtual Result Drop(DataObject* Data, uint32_t KeyState, QPoint Point, uint32_t* Effect) = 0;
};

// The standard reference-counted object: freed when its count, zero after
// construction, falls back to zero; it answers for every interface of the
// list above that it implements.
class InterfacedObject : public virtual Counted {
public:
    Result QueryInterface(InterfaceId Id, void** Out) override;
    uint32_t AddRef() override;
    uint32_t Release() override;
    uint32_t RefCount() const { return count_.load(); }

protected:
    InterfacedObject() = default;
    InterfacedObject(const InterfacedObject&) = delete;
    InterfacedObject& operator=(const InterfacedObject&) = delete;

private:
    std::atomic<uint32_t> count_{0};
};

// A held reference.
template <typename T>
class Ref {
public:
    Ref() = default;
    // Takes a reference of its own.
    Ref(T* P) : p_(P) {  // NOLINT: implicit, as handing an object on is the common case
        if (p_) p_->AddRef();
    }
    // Takes over the reference an out parameter handed back.
    static Ref Adopt(T* P) {
        Ref r;
        r.p_ = P;
        return r;
    }
    Ref(const Ref& o) : Ref(o.p_) {}
    Ref(Ref&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
    template <typename U>
    Ref(const Ref<U>& o) : Ref(o.get()) {}  // a derived interface to a base
    Ref& operator=(Ref o) noexcept {
        std::swap(p_, o.p_);
        return *this;
    }
    ~Ref() { reset(); }
    void reset() {
        if (T* p = std::exchange(p_, nullptr)) p->Release();
    }
    // Hands the reference to the caller, as an out parameter does.
    T* detach() { return std::exchange(p_, nullptr); }
    T* get() const { return p_; }
    T* operator->() const { return p_; }
    T& operator*() const { return *p_; }
    explicit operator bool() const { return p_ != nullptr; }

private:
    T* p_ = nullptr;
};

// The interface I of an object, with a reference of its own; null when the
// object does not implement it.
template <typename I>
Ref<I> Query(Counted* Object, InterfaceId Id) {
    void* out = nullptr;
    if (!Object || !Succeeded(Object->QueryInterface(Id, &out))) return {};
    return Ref<I>::Adopt(static_cast<I*>(out));
}

// Starts the service: whether the GUI toolkit's platform can reach its
// display: the platform named by QT_QPA_PLATFORM (a display-less one such as
// "offscreen" always can), or else the one the toolkit picks (Wayland when
// WAYLAND_DISPLAY is set, else X11), which needs WAYLAND_DISPLAY or DISPLAY.
// Initialising can fail where no display can be reached, which the GUI
// toolkit would only report by ending the process; so this is asked before
// its application object is made. Starts and ends come in pairs; the service
// is up while a successful start has not been ended.
bool Initialize();
void Uninitialize();
bool Initialized();

// Holds (Lock) or lets go of (not Lock) an outside reference to Object, as
// a registration that keeps a target alive does.
Result LockObjectExternal(Counted* Object, bool Lock);

}  // namespace ole
