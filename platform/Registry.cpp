#include "platform/Registry.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <map>
#include <memory>
#include <mutex>

#include "platform/Files.h"

namespace registry {
namespace {

// ---------------------------------------------------------------------------
// Files and permissions

std::string DirOf(const std::string& path) {
    const auto slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

bool InGroup(gid_t gid) {
    if (gid == getegid()) return true;
    gid_t groups[256];
    const int n = getgroups(256, groups);
    for (int i = 0; i < n; ++i) {
        if (groups[i] == gid) return true;
    }
    return false;
}

// The permission bits that apply to us, read literally: a read-only file stays
// read-only for the superuser too, as a key without write access does for an
// administrator's program that did not ask for it.
bool BitsAllow(const struct stat& st, bool needExec) {
    mode_t w, x;
    if (st.st_uid == geteuid()) {
        w = S_IWUSR;
        x = S_IXUSR;
    } else if (InGroup(st.st_gid)) {
        w = S_IWGRP;
        x = S_IXGRP;
    } else {
        w = S_IWOTH;
        x = S_IXOTH;
    }
    if (!(st.st_mode & w)) return false;
    return !needExec || (st.st_mode & x);
}

bool MayWrite(const std::string& path, const struct stat& st, bool isDir) {
    if (!BitsAllow(st, isDir)) return false;
    if (geteuid() != 0 && ::access(path.c_str(), isDir ? (W_OK | X_OK) : W_OK) != 0) return false;
    struct statvfs vfs {};
    return ::statvfs(path.c_str(), &vfs) != 0 || !(vfs.f_flag & ST_RDONLY);
}

bool WritablePath(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0) {
        if (!MayWrite(path, st, false)) return false;
    } else if (errno != ENOENT) {
        return false;
    }
    // The folder must take the new file; where it is still missing, its nearest existing parent must.
    std::string dir = DirOf(path);
    while (::stat(dir.c_str(), &st) != 0) {
        if (errno != ENOENT || dir == "/") return false;
        dir = DirOf(dir);
    }
    return S_ISDIR(st.st_mode) && MayWrite(dir, st, true);
}

class Fd {
public:
    explicit Fd(int fd = -1) : fd_(fd) {}
    ~Fd() { Reset(); }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int Get() const { return fd_; }
    int Release() {
        const int f = fd_;
        fd_ = -1;
        return f;
    }
    void Reset(int fd = -1) {
        if (fd_ >= 0) ::close(fd_);
        fd_ = fd;
    }

private:
    int fd_;
};

[[noreturn]] void FailIo(const std::string& what) {
    throw std::runtime_error(what + ": " + std::strerror(errno));
}

std::string ReadAll(int fd) {
    std::string data;
    char buf[65536];
    while (true) {
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) FailIo("read");
        if (n == 0) return data;
        data.append(buf, static_cast<std::size_t>(n));
    }
}

void WriteAll(int fd, const std::string& data) {
    std::size_t done = 0;
    while (done < data.size()) {
        const ssize_t n = ::write(fd, data.data() + done, data.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) FailIo("write");
        done += static_cast<std::size_t>(n);
    }
}

void LockExclusive(int fd) {
    while (::flock(fd, LOCK_EX) != 0) {
        if (errno != EINTR) FailIo("flock");
    }
}

// Moves From to To unless To exists.
bool RenameNoReplace(const std::string& from, const std::string& to) {
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return true;
    if (errno != EINVAL && errno != ENOSYS) return false;
    // A file system without the flag: a hard link does not replace either.
    if (::link(from.c_str(), to.c_str()) != 0) return false;
    ::unlink(from.c_str());
    return true;
}

struct FileId {
    dev_t dev = 0;
    ino_t ino = 0;
    off_t size = -1;
    timespec mtime{};
};

FileId IdOf(const struct stat& st) { return FileId{st.st_dev, st.st_ino, st.st_size, st.st_mtim}; }

bool operator==(const FileId& a, const FileId& b) {
    return a.dev == b.dev && a.ino == b.ino && a.size == b.size && a.mtime.tv_sec == b.mtime.tv_sec &&
           a.mtime.tv_nsec == b.mtime.tv_nsec;
}

// ---------------------------------------------------------------------------
// One hive file, shared by all registry objects of the process.

class THiveStore {
public:
    THiveStore(std::string path, std::string rootName) : path_(std::move(path)), root_(std::move(rootName)) {
        Empty();
    }
    ~THiveStore() {
        if (pin_ >= 0) ::close(pin_);
    }
    THiveStore(const THiveStore&) = delete;
    THiveStore& operator=(const THiveStore&) = delete;

    const std::string& Path() const { return path_; }
    bool Writable() const { return WritablePath(path_); }

    std::shared_ptr<const TRegKey> Snapshot() {
        std::lock_guard<std::mutex> g(m_);
        return Load(false);
    }

    // Applies Change to a fresh copy of the hive under the file lock and writes
    // the result when Change reports a change. Raises when the hive cannot be written.
    void Modify(const std::function<bool(TRegKey&)>& Change) {
        std::lock_guard<std::mutex> g(m_);
        if (!Writable()) throw std::runtime_error(path_ + " is not writable");
        if (!files::ForceDirectories(DirOf(path_))) FailIo("mkdir " + DirOf(path_));
        Fd lock(::open((path_ + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644));
        if (lock.Get() < 0) FailIo("open " + path_ + ".lock");
        LockExclusive(lock.Get());
        const std::shared_ptr<const TRegKey> current = Load(true);
        // An unreadable file that could not be set aside is never overwritten.
        if (bad_) throw std::runtime_error(path_ + " cannot be parsed");
        TRegKey next = *current;
        if (!Change(next)) return;
        Replace(next);
    }

private:
    void Empty() {
        TRegKey root;
        root.Name = root_;
        root.Folded = FoldName(root_);
        tree_ = std::make_shared<const TRegKey>(std::move(root));
    }

    void Unpin() {
        if (pin_ >= 0) ::close(pin_);
        pin_ = -1;
    }

    // The current tree; the file is read again only when it is another file than
    // the one read last. The pinned descriptor keeps that file's inode from being
    // reused, so a new file always shows a new inode.
    std::shared_ptr<const TRegKey> Load(bool locked) {
        for (int attempt = 0; attempt < 8; ++attempt) {
            struct stat st {};
            if (::stat(path_.c_str(), &st) != 0) {
                Unpin();
                bad_ = false;
                Empty();
                return tree_;
            }
            const FileId id = IdOf(st);
            if ((pin_ >= 0 || bad_) && id == id_) return tree_;
            if (ReadFile(id, locked)) return tree_;
        }
        return tree_;
    }

    // True when the tree now stands for the file; False when the file changed meanwhile.
    bool ReadFile(const FileId& seen, bool locked) {
        Fd fd(::open(path_.c_str(), O_RDONLY | O_CLOEXEC));
        struct stat st {};
        if (fd.Get() < 0 || ::fstat(fd.Get(), &st) != 0) return errno != ENOENT && Unreadable();
        if (!(IdOf(st) == seen)) return false;
        std::string text;
        try {
            text = ReadAll(fd.Get());
        } catch (const std::exception&) {
            return Unreadable();
        }
        try {
            TRegKey tree = ParseHive(text, root_);
            Unpin();
            pin_ = fd.Release();
            id_ = seen;
            bad_ = false;
            tree_ = std::make_shared<const TRegKey>(std::move(tree));
            return true;
        } catch (const EHiveSyntax& e) {
            return SetAside(seen, e.Message(), locked);
        }
    }

    // A file we may not read is an empty hive for us; it is not ours to move.
    bool Unreadable() {
        Unpin();
        Empty();
        return true;
    }

    // Renames an unparsable hive to "<hive>.bad" (or "<hive>.<n>.bad" when that
    // exists), reports it once and goes on with an empty hive.
    bool SetAside(const FileId& seen, const std::string& reason, bool locked) {
        Fd lock;
        if (!locked) {
            lock.Reset(::open((path_ + ".lock").c_str(), O_RDONLY | O_CREAT | O_CLOEXEC, 0644));
            if (lock.Get() >= 0) LockExclusive(lock.Get());
        }
        struct stat st {};
        if (::stat(path_.c_str(), &st) != 0 || !(IdOf(st) == seen)) return false;  // replaced meanwhile
        std::string bad;
        int error = 0;
        for (int n = 1; n < 1000 && bad.empty(); ++n) {
            const std::string name = n == 1 ? path_ + ".bad" : path_ + "." + std::to_string(n) + ".bad";
            if (RenameNoReplace(path_, name)) bad = name;
            else if ((error = errno) != EEXIST) break;
        }
        if (bad.empty() && error == ENOENT) return false;  // another process moved it first
        Unpin();
        Empty();
        if (!bad.empty()) {
            bad_ = false;
            std::cerr << "Registry hive " << path_ << " cannot be read (" << reason << "); it is kept as " << bad
                      << " and read as empty.\n";
            return true;
        }
        std::cerr << "Registry hive " << path_ << " cannot be read (" << reason << ") nor set aside ("
                  << std::strerror(error) << "); it is read as empty and left unchanged.\n";
        bad_ = true;
        id_ = seen;
        return true;
    }

    // The data reach the disk before the rename, so no crash leaves a half
    // file under the hive's name. The folder is not synced: after a power loss
    // the last rename may be undone, which leaves the previous whole hive.
    void Replace(TRegKey& next) {
        const std::string temp = path_ + ".new";
        mode_t mode = 0644;
        struct stat st {};
        if (::stat(path_.c_str(), &st) == 0) mode = st.st_mode & 07777;
        Fd fd(::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
        if (fd.Get() < 0) FailIo("open " + temp);
        try {
            if (mode != 0644 && ::fchmod(fd.Get(), mode) != 0) FailIo("chmod " + temp);
            WriteAll(fd.Get(), FormatHive(next, root_));
            if (::fsync(fd.Get()) != 0) FailIo("fsync " + temp);
            if (::rename(temp.c_str(), path_.c_str()) != 0) FailIo("rename " + temp);
        } catch (...) {
            ::unlink(temp.c_str());
            throw;
        }
        if (::fstat(fd.Get(), &st) != 0) FailIo("fstat " + path_);
        Unpin();
        pin_ = fd.Release();
        id_ = IdOf(st);
        bad_ = false;
        tree_ = std::make_shared<const TRegKey>(std::move(next));
    }

    std::mutex m_;
    const std::string path_;
    const std::string root_;
    int pin_ = -1;
    FileId id_;
    bool bad_ = false;  // the file at id_ cannot be parsed and is still there
    std::shared_ptr<const TRegKey> tree_;
};

std::mutex g_storesLock;
std::map<std::string, std::shared_ptr<THiveStore>> g_stores;

std::shared_ptr<THiveStore> StoreFor(THive hive) {
    const std::string path = HivePath(hive);
    std::lock_guard<std::mutex> g(g_storesLock);
    const auto it = g_stores.find(path);
    if (it != g_stores.end()) return it->second;
    // State directories come and go (tests make one each); forget hives whose folder is gone.
    for (auto s = g_stores.begin(); s != g_stores.end();) {
        s = files::DirectoryExists(DirOf(s->first)) ? std::next(s) : g_stores.erase(s);
    }
    auto store = std::make_shared<THiveStore>(path, HiveRootName(hive));
    g_stores.emplace(path, store);
    return store;
}

// ---------------------------------------------------------------------------
// Change hooks

std::mutex g_hooksLock;
std::map<int, TRegChangeHook> g_hooks;
int g_nextHook = 1;

void Notify(const std::vector<TRegChange>& changes) {
    if (changes.empty()) return;
    std::vector<TRegChangeHook> hooks;
    {
        std::lock_guard<std::mutex> g(g_hooksLock);
        for (const auto& [id, hook] : g_hooks) hooks.push_back(hook);
    }
    for (const TRegChange& c : changes) {
        for (const TRegChangeHook& hook : hooks) {
            try {
                hook(c);
            } catch (const std::exception& e) {
                std::cerr << "Registry change hook failed: " << e.what() << "\n";
            }
        }
    }
}

// The path of names as the hive stores them.
std::string StoredPath(const TRegKey& root, const std::vector<std::string>& names) {
    std::string out;
    const TRegKey* key = &root;
    for (const std::string& n : names) {
        key = key ? key->FindSubKey(n) : nullptr;
        if (!out.empty()) out += '\\';
        out += key ? key->Name : n;
    }
    return out;
}

std::string Joined(const std::vector<std::string>& names) {
    std::string out;
    for (const std::string& n : names) out += (out.empty() ? "" : "\\") + n;
    return out;
}

// Creates the path of keys; reports each key made.
bool CreatePath(TRegKey& root, const std::vector<std::string>& names, THive hive, std::vector<TRegChange>& changes) {
    TRegKey* key = &root;
    bool any = false;
    for (std::size_t i = 0; i < names.size(); ++i) {
        bool created = false;
        key = &key->SubKey(names[i], created);
        if (created) {
            any = true;
            const std::vector<std::string> upTo(names.begin(), names.begin() + static_cast<long>(i) + 1);
            changes.push_back({TRegChange::KeyCreated, hive, StoredPath(root, upTo), {}});
        }
    }
    return any;
}

bool SameData(const TRegValue& a, const TRegValue& b) {
    return a.DataType == b.DataType && a.Data == b.Data && a.DWord == b.DWord && a.RawType == b.RawType;
}

ERegistryException SetDataFailed(const std::string& name) {
    return ERegistryException("Failed to set data for '" + name + "'");
}

}  // namespace

std::string HiveRootName(THive Hive) {
    switch (Hive) {
        case THive::HKLM:
            return "HKEY_LOCAL_MACHINE";
        case THive::HKCR:
            return "HKEY_CLASSES_ROOT";
        case THive::HKCU:
            break;
    }
    return "HKEY_CURRENT_USER";
}

std::string HivePath(THive Hive) {
    switch (Hive) {
        case THive::HKLM:
            if (!files::PrivateState()) return "/etc/pellow/registry/HKLM.reg";
            return files::StateDir() + "/registry/HKLM.reg";
        case THive::HKCR:
            return files::StateDir() + "/registry/HKCR.reg";
        case THive::HKCU:
            break;
    }
    return files::StateDir() + "/registry/HKCU.reg";
}

bool HiveWritable(THive Hive) { return WritablePath(HivePath(Hive)); }

int AddChangeHook(TRegChangeHook Hook) {
    std::lock_guard<std::mutex> g(g_hooksLock);
    const int id = g_nextHook++;
    g_hooks.emplace(id, std::move(Hook));
    return id;
}

void RemoveChangeHook(int Id) {
    std::lock_guard<std::mutex> g(g_hooksLock);
    g_hooks.erase(Id);
}

// ---------------------------------------------------------------------------
// TRegistry

TRegistry::TRegistry(THive Root, TRegAccess Access) : root_(Root), access_(Access) {}

void TRegistry::SetRootKey(THive Root) {
    CloseKey();
    root_ = Root;
}

bool TRegistry::Resolve(const std::string& Key, std::vector<std::string>& names) const {
    const bool fromRoot = !Key.empty() && Key.front() == '\\';
    std::vector<std::string> below;
    if (!SplitKeyPath(Key, below)) return false;
    names = (fromRoot || !open_) ? std::vector<std::string>{} : path_;
    names.insert(names.end(), below.begin(), below.end());
    return true;
}

bool TRegistry::OpenKey(const std::string& Key, bool CanCreate) {
    std::vector<std::string> names;
    if (!Resolve(Key, names)) return false;
    const auto store = StoreFor(root_);
    if (store->Snapshot()->Find(names)) {
        if (access_ == TRegAccess::All && !store->Writable()) return false;
    } else {
        if (!CanCreate || !store->Writable()) return false;
        std::vector<TRegChange> changes;
        try {
            store->Modify([&](TRegKey& tree) { return CreatePath(tree, names, root_, changes); });
        } catch (const std::exception&) {
            return false;
        }
        Notify(changes);
    }
    open_ = true;
    path_ = std::move(names);
    return true;
}

bool TRegistry::OpenKeyReadOnly(const std::string& Key) {
    const TRegAccess saved = access_;
    access_ = TRegAccess::Read;
    const bool ok = OpenKey(Key, false);
    access_ = saved;
    return ok;
}

void TRegistry::CloseKey() {
    open_ = false;
    path_.clear();
}

std::string TRegistry::CurrentPath() const { return Joined(path_); }

bool TRegistry::CreateKey(const std::string& Key) {
    std::vector<std::string> names;
    const ERegistryException failed("Failed to create key " + Key);
    if (!Resolve(Key, names)) throw failed;
    std::vector<TRegChange> changes;
    try {
        StoreFor(root_)->Modify([&](TRegKey& tree) { return CreatePath(tree, names, root_, changes); });
    } catch (const std::exception&) {
        throw failed;
    }
    Notify(changes);
    return true;
}

bool TRegistry::KeyExists(const std::string& Key) const {
    std::vector<std::string> names;
    return Resolve(Key, names) && StoreFor(root_)->Snapshot()->Find(names) != nullptr;
}

bool TRegistry::DeleteKey(const std::string& Key) {
    std::vector<std::string> names;
    if (!Resolve(Key, names) || names.empty()) return false;
    const auto store = StoreFor(root_);
    if (!store->Snapshot()->Find(names) || !store->Writable()) return false;
    bool deleted = false;
    std::vector<TRegChange> changes;
    try {
        store->Modify([&](TRegKey& tree) {
            const std::string stored = StoredPath(tree, names);
            const std::vector<std::string> parentPath(names.begin(), names.end() - 1);
            TRegKey* parent = tree.Find(parentPath);
            deleted = parent && parent->RemoveSubKey(names.back());
            if (deleted) changes.push_back({TRegChange::KeyDeleted, root_, stored, {}});
            return deleted;
        });
    } catch (const std::exception&) {
        return false;
    }
    Notify(changes);
    return deleted;
}

std::vector<std::string> TRegistry::GetKeyNames() const {
    std::vector<std::string> names;
    if (!open_) return names;
    const auto tree = StoreFor(root_)->Snapshot();
    if (const TRegKey* k = tree->Find(path_)) {
        for (const TRegKey& sub : k->SubKeys) names.push_back(sub.Name);
    }
    return names;
}

std::vector<std::string> TRegistry::GetValueNames() const {
    std::vector<std::string> names;
    if (!open_) return names;
    const auto tree = StoreFor(root_)->Snapshot();
    if (const TRegKey* k = tree->Find(path_)) {
        for (const TRegValue& v : k->Values) names.push_back(v.Name);
    }
    return names;
}

bool TRegistry::HasSubKeys() const { return !GetKeyNames().empty(); }

bool TRegistry::GetValue(const std::string& Name, TRegValue& Value) const {
    if (!open_) return false;
    const auto tree = StoreFor(root_)->Snapshot();
    const TRegKey* k = tree->Find(path_);
    const TRegValue* v = k ? k->FindValue(Name) : nullptr;
    if (v) Value = *v;
    return v != nullptr;
}

bool TRegistry::ValueExists(const std::string& Name) const {
    TRegValue v;
    return GetValue(Name, v);
}

TRegDataType TRegistry::GetDataType(const std::string& Name) const {
    TRegValue v;
    return GetValue(Name, v) ? v.DataType : TRegDataType::rdUnknown;
}

int TRegistry::GetDataSize(const std::string& Name) const {
    TRegValue v;
    if (!GetValue(Name, v)) return -1;
    switch (v.DataType) {
        case TRegDataType::rdString:
        case TRegDataType::rdExpandString:
            return static_cast<int>(v.Data.size()) + 1;
        case TRegDataType::rdInteger:
            return 4;
        default:
            return static_cast<int>(v.Data.size());
    }
}

bool TRegistry::DeleteValue(const std::string& Name) {
    if (!open_ || !ValueExists(Name)) return false;
    const auto store = StoreFor(root_);
    if (!store->Writable()) return false;
    bool deleted = false;
    std::vector<TRegChange> changes;
    try {
        store->Modify([&](TRegKey& tree) {
            TRegKey* k = tree.Find(path_);
            const TRegValue* v = k ? k->FindValue(Name) : nullptr;
            if (!v) return false;
            changes.push_back({TRegChange::ValueDeleted, root_, StoredPath(tree, path_), v->Name});
            deleted = k->RemoveValue(Name);
            return deleted;
        });
    } catch (const std::exception&) {
        return false;
    }
    Notify(changes);
    return deleted;
}

std::string TRegistry::ReadString(const std::string& Name) const {
    TRegValue v;
    if (!GetValue(Name, v)) return "";
    if (v.DataType != TRegDataType::rdString && v.DataType != TRegDataType::rdExpandString) {
        throw ERegistryException("Invalid data type for '" + Name + "'");
    }
    return v.Data;
}

int32_t TRegistry::ReadInteger(const std::string& Name) const {
    TRegValue v;
    if (!GetValue(Name, v)) throw ERegistryException("Failed to get data for '" + Name + "'");
    if (v.DataType != TRegDataType::rdInteger) throw ERegistryException("Invalid data type for '" + Name + "'");
    return static_cast<int32_t>(v.DWord);
}

bool TRegistry::ReadBool(const std::string& Name) const { return ReadInteger(Name) != 0; }

std::vector<uint8_t> TRegistry::ReadBinaryData(const std::string& Name) const {
    TRegValue v;
    if (!GetValue(Name, v)) throw ERegistryException("Failed to get data for '" + Name + "'");
    if (v.DataType != TRegDataType::rdBinary && v.DataType != TRegDataType::rdUnknown) {
        throw ERegistryException("Invalid data type for '" + Name + "'");
    }
    return std::vector<uint8_t>(v.Data.begin(), v.Data.end());
}

void TRegistry::PutValue(const std::string& Name, TRegValue Value) {
    if (!open_ || !ValidValueName(Name)) throw SetDataFailed(Name);
    std::vector<TRegChange> changes;
    try {
        StoreFor(root_)->Modify([&](TRegKey& tree) {
            TRegKey* k = tree.Find(path_);
            if (!k) throw std::runtime_error("key deleted");
            const bool existed = k->FindValue(Name) != nullptr;
            TRegValue& slot = k->Value(Name);
            changes.push_back({TRegChange::ValueWritten, root_, StoredPath(tree, path_), slot.Name});
            if (existed && SameData(slot, Value)) return false;
            Value.Name = slot.Name;
            Value.Folded = slot.Folded;
            slot = std::move(Value);
            return true;
        });
    } catch (const std::exception&) {
        throw SetDataFailed(Name);
    }
    Notify(changes);
}

void TRegistry::WriteString(const std::string& Name, const std::string& Value) {
    TRegValue v;
    v.DataType = TRegDataType::rdString;
    v.Data = Value.substr(0, Value.find('\0'));
    PutValue(Name, std::move(v));
}

void TRegistry::WriteExpandString(const std::string& Name, const std::string& Value) {
    TRegValue v;
    v.DataType = TRegDataType::rdExpandString;
    v.Data = Value.substr(0, Value.find('\0'));
    PutValue(Name, std::move(v));
}

void TRegistry::WriteInteger(const std::string& Name, int32_t Value) {
    TRegValue v;
    v.DataType = TRegDataType::rdInteger;
    v.DWord = static_cast<uint32_t>(Value);
    PutValue(Name, std::move(v));
}

void TRegistry::WriteBool(const std::string& Name, bool Value) { WriteInteger(Name, Value ? 1 : 0); }

void TRegistry::WriteBinaryData(const std::string& Name, const std::vector<uint8_t>& Value) {
    TRegValue v;
    v.DataType = TRegDataType::rdBinary;
    v.Data.assign(Value.begin(), Value.end());
    PutValue(Name, std::move(v));
}

}  // namespace registry
