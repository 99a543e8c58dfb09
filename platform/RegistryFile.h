#pragma once
// The text form of one registry hive (REGEDIT4 syntax, UTF-8) and the tree it
// holds in memory. Pure functions: no file is touched here, so the format is
// tested on strings alone.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/Exceptions.h"

namespace registry {

// The kinds of data a value holds, as the class library names them.
enum class TRegDataType { rdUnknown, rdString, rdExpandString, rdInteger, rdBinary };

struct TRegValue {
    std::string Name;    // "" is the key's default value ("@" in the file)
    std::string Folded;  // Name folded for comparison
    TRegDataType DataType = TRegDataType::rdString;
    std::string Data;    // text of a string, bytes of binary and unknown data
    uint32_t DWord = 0;  // data of an integer value
    int RawType = 0;     // the type number of an unknown value ("hex(N):")
};

// The registry's own limits: a key path holds at most 512 names below the
// hive's root, a key name at most 255 characters.
constexpr std::size_t MaxKeyDepth = 512;
constexpr std::size_t MaxKeyNameLength = 255;

// A key and the keys below it. A copy is shallow: the subkeys are shared
// between the copies (a change copies only the keys on its way down, and a
// snapshot that readers hold never changes), so the mutable accessors copy
// a shared subkey before they hand it out.
struct TRegKey {
    TRegKey() = default;
    TRegKey(const TRegKey&) = default;
    TRegKey(TRegKey&&) noexcept = default;
    TRegKey& operator=(const TRegKey&) = default;
    TRegKey& operator=(TRegKey&&) noexcept = default;
    // Takes the tree apart level by level, not by recursion.
    ~TRegKey();

    std::string Name;  // as created
    std::string Folded;
    std::vector<TRegValue> Values;                  // in creation order
    std::vector<std::shared_ptr<TRegKey>> SubKeys;  // sorted by Folded, as the registry enumerates them

    const TRegKey* FindSubKey(const std::string& name) const;
    TRegKey* FindSubKey(const std::string& name);
    // The subkey of that name, made when missing; Created tells which.
    TRegKey& SubKey(const std::string& name, bool& Created);
    bool RemoveSubKey(const std::string& name);

    const TRegValue* FindValue(const std::string& name) const;
    TRegValue* FindValue(const std::string& name);
    // The value of that name, made when missing; an existing value keeps the case of its name.
    TRegValue& Value(const std::string& name);
    bool RemoveValue(const std::string& name);

    // The key at the end of a path of names below this one; nullptr when one is missing.
    const TRegKey* Find(const std::vector<std::string>& path) const;
    TRegKey* Find(const std::vector<std::string>& path);

private:
    // The subkey at Sub, copied first when another tree shares it.
    static TRegKey& Own(std::shared_ptr<TRegKey>& Sub);
};

// A text that is not a hive; Line counts from 1.
class EHiveSyntax : public Exception {
public:
    EHiveSyntax(int line, const std::string& reason)
        : Exception("line " + std::to_string(line) + ": " + reason), Line(line) {}
    int Line;
};

// Key and value names compare without regard to letter case (Unicode case folding).
std::string FoldName(const std::string& name);
bool SameName(const std::string& a, const std::string& b);

// Splits a key path at "\" into its names. One leading and one trailing "\" are
// allowed; False for an empty name inside the path, a name with control
// characters or one longer than MaxKeyNameLength.
bool SplitKeyPath(const std::string& path, std::vector<std::string>& names);
// Whether a key of this path of names below the root may exist (MaxKeyDepth).
bool WithinKeyDepth(const std::vector<std::string>& path);
// Whether a value name can be stored (no control characters).
bool ValidValueName(const std::string& name);

// Reads a hive whose keys all lie under RootName ("HKEY_CURRENT_USER", ...).
// An empty text is an empty hive; anything that is not REGEDIT4, or a key
// beyond the registry's limits, raises EHiveSyntax.
TRegKey ParseHive(const std::string& text, const std::string& RootName);
// The hive as REGEDIT4 text; ParseHive(FormatHive(k)) gives k back, data
// byte for byte. A key whose only content is deeper keys is written by their
// lines alone, so the text grows with the tree and not with its depth squared.
std::string FormatHive(const TRegKey& root, const std::string& RootName);

}  // namespace registry
