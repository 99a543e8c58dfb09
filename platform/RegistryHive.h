#pragma once
// One hive file as all registry objects of the process share it: the tree
// last read, read again when the file is another one, and changes written
// as a locked read-modify-write that replaces the file atomically.
#include <sys/stat.h>
#include <sys/types.h>

#include <ctime>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "platform/RegistryFile.h"

namespace registry {

class THiveStore {
public:
    THiveStore(std::string Path, std::string RootName);
    ~THiveStore();
    THiveStore(const THiveStore&) = delete;
    THiveStore& operator=(const THiveStore&) = delete;

    const std::string& Path() const { return path_; }
    // Whether the file's and its folder's permissions let us replace the file.
    bool Writable() const;

    // The hive as the file holds it now; an unparsable file is set aside and reads as empty.
    std::shared_ptr<const TRegKey> Snapshot();

    // Applies Change to a copy of the hive under the file lock (a copy that
    // shares every key the change does not reach) and writes the result when
    // Change reports a change. Raises when the hive cannot be written.
    void Modify(const std::function<bool(TRegKey&)>& Change);

private:
    struct FileId {
        dev_t dev = 0;
        ino_t ino = 0;
        off_t size = -1;
        timespec mtime{};
        bool operator==(const FileId& o) const;
    };

    void Empty();
    void Unpin();
    std::shared_ptr<const TRegKey> Load(bool locked);
    bool ReadFile(const FileId& seen, bool locked);
    bool Unreadable();
    bool SetAside(const FileId& seen, const std::string& reason, bool locked);
    void Replace(TRegKey& next);
    static FileId IdOf(const struct stat& st);

    std::mutex m_;
    const std::string path_;
    const std::string root_;
    int pin_ = -1;
    FileId id_;
    bool bad_ = false;     // the file at id_ cannot be parsed and is still there
    bool unread_ = false;  // the file is there but could not be read
    std::shared_ptr<const TRegKey> tree_;
};

// The store of the hive file at Path, one per process.
std::shared_ptr<THiveStore> HiveStore(const std::string& Path, const std::string& RootName);

// Whether a file at Path could be written or created, by the permission bits as
// they stand, also for the superuser.
bool WritablePath(const std::string& Path);

}  // namespace registry
