#include "platform/RegistryHive.h"

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

}  // namespace

bool WritablePath(const std::string& Path) {
    struct stat st {};
    if (::stat(Path.c_str(), &st) == 0) {
        if (!MayWrite(Path, st, false)) return false;
    } else if (errno != ENOENT) {
        return false;
    }
    // The folder must take the new file; where it is still missing, its nearest existing parent must.
    std::string dir = DirOf(Path);
    while (::stat(dir.c_str(), &st) != 0) {
        if (errno != ENOENT || dir == "/") return false;
        dir = DirOf(dir);
    }
    return S_ISDIR(st.st_mode) && MayWrite(dir, st, true);
}

bool THiveStore::FileId::operator==(const FileId& o) const {
    return dev == o.dev && ino == o.ino && size == o.size && mtime.tv_sec == o.mtime.tv_sec &&
           mtime.tv_nsec == o.mtime.tv_nsec;
}

THiveStore::FileId THiveStore::IdOf(const struct stat& st) { return FileId{st.st_dev, st.st_ino, st.st_size, st.st_mtim}; }

THiveStore::THiveStore(std::string Path, std::string RootName) : path_(std::move(Path)), root_(std::move(RootName)) {
    Empty();
}

THiveStore::~THiveStore() { Unpin(); }

bool THiveStore::Writable() const { return WritablePath(path_); }

std::shared_ptr<const TRegKey> THiveStore::Snapshot() {
    std::lock_guard<std::mutex> g(m_);
    return Load(false);
}

void THiveStore::Modify(const std::function<bool(TRegKey&)>& Change) {
    std::lock_guard<std::mutex> g(m_);
    if (!Writable()) throw std::runtime_error(path_ + " is not writable");
    if (!files::ForceDirectories(DirOf(path_))) FailIo("mkdir " + DirOf(path_));
    Fd lock(::open((path_ + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644));
    if (lock.Get() < 0) FailIo("open " + path_ + ".lock");
    LockExclusive(lock.Get());
    const std::shared_ptr<const TRegKey> current = Load(true);
    // A file that could not be read, or not parsed and not set aside, is never
    // overwritten: the change would replace everything it holds.
    if (unread_) throw std::runtime_error(path_ + " cannot be read");
    if (bad_) throw std::runtime_error(path_ + " cannot be parsed");
    TRegKey next = *current;
    if (!Change(next)) return;
    Replace(next);
}

void THiveStore::Empty() {
    TRegKey root;
    root.Name = root_;
    root.Folded = FoldName(root_);
    tree_ = std::make_shared<const TRegKey>(std::move(root));
}

void THiveStore::Unpin() {
    if (pin_ >= 0) ::close(pin_);
    pin_ = -1;
}

// The current tree; the file is read again only when it is another file than
// the one read last. The pinned descriptor keeps that file's inode from being
// reused, so a new file always shows a new inode.
std::shared_ptr<const TRegKey> THiveStore::Load(bool locked) {
    for (int attempt = 0; attempt < 8; ++attempt) {
        struct stat st {};
        if (::stat(path_.c_str(), &st) != 0) {
            Unpin();
            bad_ = unread_ = false;
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
bool THiveStore::ReadFile(const FileId& seen, bool locked) {
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
        bad_ = unread_ = false;
        tree_ = std::make_shared<const TRegKey>(std::move(tree));
        return true;
    } catch (const EHiveSyntax& e) {
        return SetAside(seen, e.Message(), locked);
    }
}

// A file we may not read is an empty hive for us; it is not ours to move, and
// no change of ours may replace it. It is tried again at the next access.
bool THiveStore::Unreadable() {
    Unpin();
    Empty();
    unread_ = true;
    return true;
}

// Renames an unparsable hive to "<hive>.bad" (or "<hive>.<n>.bad" when that
// exists), reports it once and goes on with an empty hive.
bool THiveStore::SetAside(const FileId& seen, const std::string& reason, bool locked) {
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
    unread_ = false;
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
void THiveStore::Replace(TRegKey& next) {
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
    bad_ = unread_ = false;
    tree_ = std::make_shared<const TRegKey>(std::move(next));
}

namespace {
std::mutex g_storesLock;
std::map<std::string, std::shared_ptr<THiveStore>> g_stores;
}  // namespace

std::shared_ptr<THiveStore> HiveStore(const std::string& Path, const std::string& RootName) {
    std::lock_guard<std::mutex> g(g_storesLock);
    const auto it = g_stores.find(Path);
    if (it != g_stores.end()) return it->second;
    // State directories come and go (tests make one each); forget hives whose folder is gone.
    for (auto s = g_stores.begin(); s != g_stores.end();) {
        s = files::DirectoryExists(DirOf(s->first)) ? std::next(s) : g_stores.erase(s);
    }
    auto store = std::make_shared<THiveStore>(Path, RootName);
    g_stores.emplace(Path, store);
    return store;
}

}  // namespace registry
