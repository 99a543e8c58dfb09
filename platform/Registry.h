#pragma once
// The registry of the system, in place of the Windows registry: the hives
// HKCU, HKLM and HKCR are REGEDIT4 text files in the state directory
// (registry/HKCU.reg, ...; HKLM is /etc/pellow/registry/HKLM.reg unless
// PELLOW_HOME is set). This is the one place that reads or writes them.
//
// Several threads and processes may use a hive at once. Every change is a
// read-modify-write under an flock on "<hive>.lock" that replaces the hive
// atomically (temporary file, fsync, rename), so no change is lost and a
// crash never leaves half a hive. Readers need no lock: they see the last
// complete file and read it again when it changed. A hive that cannot be
// parsed, or holds a key beyond the registry's limits (512 levels, names of
// 255 characters), is renamed to "<hive>.bad" (never overwritten), reported
// once on standard error and read as empty. A hive whose file or folder does not let
// us write fails every change, as a key without write access does; reads go on.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/Exceptions.h"
#include "platform/RegistryFile.h"

namespace registry {

enum class THive { HKCU, HKLM, HKCR };

// What an open key allows: reading, or everything (the class library's default).
enum class TRegAccess { Read, All };

// The class library's registry error.
class ERegistryException : public Exception {
public:
    using Exception::Exception;
};

// The file that holds a hive, and the name its keys carry in it ("HKEY_CURRENT_USER", ...).
std::string HivePath(THive Hive);
std::string HiveRootName(THive Hive);
// Whether changes to the hive can be written now.
bool HiveWritable(THive Hive);

// A registry object as the units use one: a root, at most one open key, and
// typed reads and writes of that key's values. Key paths use "\"; a path that
// starts with "\" is taken from the root, any other from the open key (from
// the root when none is open). Names compare without regard to letter case.
class TRegistry {
public:
    explicit TRegistry(THive Root = THive::HKCU, TRegAccess Access = TRegAccess::All);

    THive RootKey() const { return root_; }
    void SetRootKey(THive Root);  // closes the open key
    TRegAccess Access() const { return access_; }
    void SetAccess(TRegAccess Access) { access_ = Access; }

    // Opens Key, creating it and its missing parents when CanCreate. False when
    // it is missing (and not created) or when Access needs writing and the hive
    // is not writable; the key open before stays open then.
    bool OpenKey(const std::string& Key, bool CanCreate);
    bool OpenKeyReadOnly(const std::string& Key);
    void CloseKey();
    bool HasCurrentKey() const { return open_; }
    // The open key's path below the root, as it was opened ("" at the root).
    std::string CurrentPath() const;

    // Creates Key with its missing parents; raises ERegistryException when it cannot.
    bool CreateKey(const std::string& Key);
    bool KeyExists(const std::string& Key) const;
    // Deletes Key with everything below it; False when missing or not writable.
    bool DeleteKey(const std::string& Key);
    std::vector<std::string> GetKeyNames() const;
    std::vector<std::string> GetValueNames() const;
    bool HasSubKeys() const;

    bool ValueExists(const std::string& Name) const;
    TRegDataType GetDataType(const std::string& Name) const;  // rdUnknown when missing
    int GetDataSize(const std::string& Name) const;           // -1 when missing; text counts its NUL
    bool DeleteValue(const std::string& Name);

    // A missing value reads as ""; a value that is not text raises.
    std::string ReadString(const std::string& Name) const;
    // A missing value or one that is not an integer raises.
    int32_t ReadInteger(const std::string& Name) const;
    bool ReadBool(const std::string& Name) const;  // any integer but 0 is True
    std::vector<uint8_t> ReadBinaryData(const std::string& Name) const;

    // Each raises ERegistryException "Failed to set data for '<Name>'" when no
    // key is open or the change cannot be written. Text ends at a NUL, as stored text does.
    void WriteString(const std::string& Name, const std::string& Value);
    void WriteExpandString(const std::string& Name, const std::string& Value);
    void WriteInteger(const std::string& Name, int32_t Value);
    void WriteBool(const std::string& Name, bool Value);  // as the integer 1 or 0
    void WriteBinaryData(const std::string& Name, const std::vector<uint8_t>& Value);

private:
    bool Resolve(const std::string& Key, std::vector<std::string>& names) const;
    // The open key in a snapshot of the hive that Tree keeps; nullptr when none is open or it is gone.
    const TRegKey* CurrentKey(std::shared_ptr<const TRegKey>& Tree) const;
    bool GetValue(const std::string& Name, TRegValue& Value) const;
    void PutValue(const std::string& Name, TRegValue Value);

    THive root_;
    TRegAccess access_;
    bool open_ = false;
    std::vector<std::string> path_;
};

// Values under keys of one hive that must move together, written in one
// change of the hive file: after a crash either all of them are there or
// none. Missing keys are made. Key paths are taken from the root.
class TRegBatch {
public:
    explicit TRegBatch(THive Root = THive::HKCU) : root_(Root) {}

    void WriteString(const std::string& Key, const std::string& Name, const std::string& Value);
    void WriteInteger(const std::string& Key, const std::string& Name, int32_t Value);
    // Writes everything queued and empties the batch; raises
    // ERegistryException "Failed to set data for '<Name>'" (the first value)
    // when the hive cannot be written, and then keeps the batch.
    void Commit();

private:
    struct Entry {
        std::vector<std::string> path;
        std::string name;
        TRegValue value;
    };
    void Add(const std::string& Key, const std::string& Name, TRegValue Value);

    THive root_;
    std::vector<Entry> entries_;
};

// A change that has been written, for the parts that keep a desktop mechanism
// in step with a registry key (autostart entries, file associations).
struct TRegChange {
    enum TKind { ValueWritten, ValueDeleted, KeyCreated, KeyDeleted };
    TKind Kind;
    THive Hive;
    std::string Key;    // path below the root, names as stored
    std::string Value;  // the value's name for ValueWritten and ValueDeleted
};
using TRegChangeHook = std::function<void(const TRegChange&)>;

// Hooks run in the writing thread after the hive file has been replaced. A
// hook must not throw; what it throws is reported on standard error. The
// registry's own mirrors of desktop mechanisms (RegistryMirrors.h) are
// installed as hooks before the first change is reported.
int AddChangeHook(TRegChangeHook Hook);
void RemoveChangeHook(int Id);

}  // namespace registry
