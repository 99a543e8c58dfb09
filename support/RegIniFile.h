#pragma once
// A registry key used like an INI file: a section is a subkey of the key
// ("A\B" is a subkey of a subkey), an entry is a string value in it. Integers
// are stored as decimal text; a missing entry or one that is not a number
// reads as the caller's default. Writing an entry creates its section.
#include <cstdint>
#include <string>

#include "platform/Registry.h"

class TRegIniFile {
public:
    // Opens FileName below the root, creating it when missing; a hive that
    // cannot be written leaves reads working and writes without effect.
    explicit TRegIniFile(const std::string& FileName, registry::THive Root = registry::THive::HKCU);

    const std::string& FileName() const { return fileName_; }

    std::string ReadString(const std::string& Section, const std::string& Ident, const std::string& Default) const;
    int32_t ReadInteger(const std::string& Section, const std::string& Ident, int32_t Default) const;
    bool ReadBool(const std::string& Section, const std::string& Ident, bool Default) const;

    // A section that cannot be created leaves the entry unwritten, silently; a
    // write into an open section that fails raises ERegistryException.
    void WriteString(const std::string& Section, const std::string& Ident, const std::string& Value);
    void WriteInteger(const std::string& Section, const std::string& Ident, int32_t Value);
    void WriteBool(const std::string& Section, const std::string& Ident, bool Value);

    bool SectionExists(const std::string& Section) const;
    bool ValueExists(const std::string& Section, const std::string& Ident) const;

private:
    std::string SectionPath(const std::string& Section) const;
    bool ReadValue(const std::string& Section, const std::string& Ident, registry::TRegistry& reg) const;

    std::string fileName_;
    registry::THive root_;
};
