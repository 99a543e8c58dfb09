#include "support/RegIniFile.h"

#include "platform/StrUtils.h"

using registry::TRegDataType;
using registry::TRegistry;

TRegIniFile::TRegIniFile(const std::string& FileName, registry::THive Root) : fileName_(FileName), root_(Root) {
    TRegistry reg(root_);
    reg.OpenKey(fileName_, true);
}

// Sections always lie below the file's key, also when they are written with a leading "\".
std::string TRegIniFile::SectionPath(const std::string& Section) const {
    std::string base = fileName_;
    if (base.empty() || base.front() != '\\') base.insert(base.begin(), '\\');
    std::string sub = Section;
    while (!sub.empty() && sub.front() == '\\') sub.erase(sub.begin());
    return sub.empty() ? base : base + "\\" + sub;
}

bool TRegIniFile::ReadValue(const std::string& Section, const std::string& Ident, TRegistry& reg) const {
    return reg.OpenKeyReadOnly(SectionPath(Section)) && reg.ValueExists(Ident);
}

std::string TRegIniFile::ReadString(const std::string& Section, const std::string& Ident,
                                    const std::string& Default) const {
    TRegistry reg(root_);
    if (!ReadValue(Section, Ident, reg)) return Default;
    const TRegDataType t = reg.GetDataType(Ident);
    if (t != TRegDataType::rdString && t != TRegDataType::rdExpandString) return Default;
    return reg.ReadString(Ident);
}

int32_t TRegIniFile::ReadInteger(const std::string& Section, const std::string& Ident, int32_t Default) const {
    TRegistry reg(root_);
    if (!ReadValue(Section, Ident, reg)) return Default;
    switch (reg.GetDataType(Ident)) {
        case TRegDataType::rdString:
        case TRegDataType::rdExpandString:
            return StrToIntDef(reg.ReadString(Ident), Default);
        case TRegDataType::rdInteger:
            return reg.ReadInteger(Ident);
        default:
            return Default;
    }
}

bool TRegIniFile::ReadBool(const std::string& Section, const std::string& Ident, bool Default) const {
    return ReadInteger(Section, Ident, Default ? 1 : 0) != 0;
}

void TRegIniFile::WriteString(const std::string& Section, const std::string& Ident, const std::string& Value) {
    TRegistry reg(root_);
    if (reg.OpenKey(SectionPath(Section), true)) reg.WriteString(Ident, Value);
}

void TRegIniFile::WriteInteger(const std::string& Section, const std::string& Ident, int32_t Value) {
    WriteString(Section, Ident, IntToStr(Value));
}

void TRegIniFile::WriteBool(const std::string& Section, const std::string& Ident, bool Value) {
    WriteInteger(Section, Ident, Value ? 1 : 0);
}

bool TRegIniFile::SectionExists(const std::string& Section) const {
    return TRegistry(root_).KeyExists(SectionPath(Section));
}

bool TRegIniFile::ValueExists(const std::string& Section, const std::string& Ident) const {
    TRegistry reg(root_);
    return ReadValue(Section, Ident, reg);
}
