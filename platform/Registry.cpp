#include "platform/Registry.h"

#include <iostream>
#include <map>
#include <memory>
#include <mutex>

#include "platform/Files.h"
#include "platform/RegistryHive.h"
#include "platform/RegistryMirrors.h"

namespace registry {
namespace {

std::shared_ptr<THiveStore> StoreFor(THive hive) { return HiveStore(HivePath(hive), HiveRootName(hive)); }

// ---------------------------------------------------------------------------
// Change hooks

std::mutex g_hooksLock;
std::map<int, TRegChangeHook> g_hooks;
int g_nextHook = 1;

void Notify(const std::vector<TRegChange>& changes) {
    if (changes.empty()) return;
    InstallMirrors();
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
    return WithinKeyDepth(names);
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

const TRegKey* TRegistry::CurrentKey(std::shared_ptr<const TRegKey>& Tree) const {
    if (!open_) return nullptr;
    Tree = StoreFor(root_)->Snapshot();
    return Tree->Find(path_);
}

std::vector<std::string> TRegistry::GetKeyNames() const {
    std::vector<std::string> names;
    std::shared_ptr<const TRegKey> tree;
    if (const TRegKey* k = CurrentKey(tree)) {
        for (const auto& sub : k->SubKeys) names.push_back(sub->Name);
    }
    return names;
}

std::vector<std::string> TRegistry::GetValueNames() const {
    std::vector<std::string> names;
    std::shared_ptr<const TRegKey> tree;
    if (const TRegKey* k = CurrentKey(tree)) {
        for (const TRegValue& v : k->Values) names.push_back(v.Name);
    }
    return names;
}

bool TRegistry::HasSubKeys() const { return !GetKeyNames().empty(); }

bool TRegistry::GetValue(const std::string& Name, TRegValue& Value) const {
    std::shared_ptr<const TRegKey> tree;
    const TRegKey* k = CurrentKey(tree);
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
    // Text reads up to its first NUL, as the class library reads it; the hive keeps the rest.
    return v.Data.substr(0, v.Data.find('\0'));
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

namespace {

// Stores Value as Name of the key at Path; false when the data was there already.
bool StoreValue(TRegKey& tree, const std::vector<std::string>& path, const std::string& Name, TRegValue Value,
                THive hive, std::vector<TRegChange>& changes) {
    TRegKey* k = tree.Find(path);
    if (!k) throw std::runtime_error("key deleted");
    const bool existed = k->FindValue(Name) != nullptr;
    TRegValue& slot = k->Value(Name);
    changes.push_back({TRegChange::ValueWritten, hive, StoredPath(tree, path), slot.Name});
    if (existed && SameData(slot, Value)) return false;
    Value.Name = slot.Name;
    Value.Folded = slot.Folded;
    slot = std::move(Value);
    return true;
}

}  // namespace

void TRegistry::PutValue(const std::string& Name, TRegValue Value) {
    if (!open_ || !ValidValueName(Name)) throw SetDataFailed(Name);
    std::vector<TRegChange> changes;
    try {
        StoreFor(root_)->Modify(
            [&](TRegKey& tree) { return StoreValue(tree, path_, Name, std::move(Value), root_, changes); });
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

// ---------------------------------------------------------------------------
// TRegBatch

void TRegBatch::Add(const std::string& Key, const std::string& Name, TRegValue Value) {
    std::vector<std::string> path;
    if (!SplitKeyPath(Key, path) || !WithinKeyDepth(path) || !ValidValueName(Name)) throw SetDataFailed(Name);
    entries_.push_back({std::move(path), Name, std::move(Value)});
}

void TRegBatch::WriteString(const std::string& Key, const std::string& Name, const std::string& Value) {
    TRegValue v;
    v.DataType = TRegDataType::rdString;
    v.Data = Value.substr(0, Value.find('\0'));
    Add(Key, Name, std::move(v));
}

void TRegBatch::WriteInteger(const std::string& Key, const std::string& Name, int32_t Value) {
    TRegValue v;
    v.DataType = TRegDataType::rdInteger;
    v.DWord = static_cast<uint32_t>(Value);
    Add(Key, Name, std::move(v));
}

void TRegBatch::Commit() {
    if (entries_.empty()) return;
    std::vector<TRegChange> changes;
    try {
        StoreFor(root_)->Modify([&](TRegKey& tree) {
            changes.clear();
            bool changed = false;
            for (const Entry& e : entries_) {
                changed |= CreatePath(tree, e.path, root_, changes);
                changed |= StoreValue(tree, e.path, e.name, e.value, root_, changes);
            }
            return changed;
        });
    } catch (const std::exception&) {
        throw SetDataFailed(entries_.front().name);
    }
    entries_.clear();
    Notify(changes);
}

}  // namespace registry
