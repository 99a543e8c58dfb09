#include "platform/RegistryFile.h"

#include <QString>
#include <algorithm>
#include <cstdio>
#include <functional>

namespace registry {
namespace {

bool IsAscii(const std::string& s) {
    return std::all_of(s.begin(), s.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

bool HasControl(const std::string& s) {
    return std::any_of(s.begin(), s.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20; });
}

std::string TrimBlanks(const std::string& s) {
    const auto first = s.find_first_not_of(" \t");
    if (first == std::string::npos) return {};
    const auto last = s.find_last_not_of(" \t");
    return s.substr(first, last - first + 1);
}

bool StartsWithNoCase(const std::string& s, std::size_t pos, const std::string& prefix) {
    if (s.size() - pos < prefix.size()) return false;
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(s[pos + i])) != prefix[i]) return false;
    }
    return true;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// A hexadecimal number of 1 to MaxDigits digits filling all of Text.
bool ParseHex(const std::string& text, std::size_t maxDigits, uint32_t& out) {
    if (text.empty() || text.size() > maxDigits) return false;
    uint32_t v = 0;
    for (char c : text) {
        const int d = HexDigit(c);
        if (d < 0) return false;
        v = v * 16 + static_cast<uint32_t>(d);
    }
    out = v;
    return true;
}

// The line being read, with the position of the next character.
struct Cursor {
    const std::string& text;
    std::size_t pos;
    int line;
    std::function<bool(std::string&)> nextLine = nullptr;  // the following line, for continued byte lists

    bool AtEnd() const { return pos >= text.size(); }
    [[noreturn]] void Fail(const std::string& reason) const { throw EHiveSyntax(line, reason); }
};

// A double-quoted text; "\\" and "\"" are the escapes, any other backslash stands for itself.
std::string ReadQuoted(Cursor& c) {
    ++c.pos;  // the opening quote
    std::string out;
    while (!c.AtEnd()) {
        const char ch = c.text[c.pos++];
        if (ch == '"') return out;
        if (ch == '\\' && !c.AtEnd() && (c.text[c.pos] == '\\' || c.text[c.pos] == '"')) {
            out += c.text[c.pos++];
        } else {
            out += ch;
        }
    }
    c.Fail("text without its closing quote");
}

void ExpectEnd(const Cursor& c) {
    if (!TrimBlanks(c.text.substr(c.pos)).empty()) c.Fail("unexpected text after the data");
}

std::string ReadByteList(Cursor& c) {
    std::string bytes;
    std::string list = TrimBlanks(c.text.substr(c.pos));
    c.pos = c.text.size();
    // Long lists go on over several lines, each but the last ending in "\".
    std::string more;
    while (!list.empty() && list.back() == '\\' && c.nextLine && c.nextLine(more)) {
        list.pop_back();
        list += TrimBlanks(more);
    }
    if (list.empty()) return bytes;
    std::size_t start = 0;
    while (true) {
        const std::size_t comma = list.find(',', start);
        const std::string token =
            TrimBlanks(list.substr(start, comma == std::string::npos ? std::string::npos : comma - start));
        uint32_t b = 0;
        if (!ParseHex(token, 2, b)) c.Fail("bad byte \"" + token + "\"");
        bytes += static_cast<char>(b);
        if (comma == std::string::npos) break;
        start = comma + 1;
    }
    return bytes;
}

// Text stored as hexadecimal bytes ends in the NUL that closes it, which is
// no part of the text; a NUL before it is (readers end the text there).
std::string TextOfBytes(const std::string& bytes) {
    return !bytes.empty() && bytes.back() == '\0' ? bytes.substr(0, bytes.size() - 1) : bytes;
}

void ReadData(Cursor& c, TRegValue& v) {
    if (!c.AtEnd() && c.text[c.pos] == '"') {
        v.DataType = TRegDataType::rdString;
        v.Data = ReadQuoted(c);
        ExpectEnd(c);
    } else if (StartsWithNoCase(c.text, c.pos, "dword:")) {
        c.pos += 6;
        if (!ParseHex(TrimBlanks(c.text.substr(c.pos)), 8, v.DWord)) c.Fail("bad dword");
        v.DataType = TRegDataType::rdInteger;
    } else if (StartsWithNoCase(c.text, c.pos, "hex:")) {
        c.pos += 4;
        v.DataType = TRegDataType::rdBinary;
        v.Data = ReadByteList(c);
    } else if (StartsWithNoCase(c.text, c.pos, "hex(")) {
        const std::size_t close = c.text.find("):", c.pos);
        uint32_t type = 0;
        if (close == std::string::npos || !ParseHex(c.text.substr(c.pos + 4, close - c.pos - 4), 8, type)) {
            c.Fail("bad data type");
        }
        c.pos = close + 2;
        const std::string bytes = ReadByteList(c);
        if (type == 1 || type == 2) {
            v.DataType = type == 1 ? TRegDataType::rdString : TRegDataType::rdExpandString;
            v.Data = TextOfBytes(bytes);
        } else if (type == 4 && bytes.size() == 4) {
            v.DataType = TRegDataType::rdInteger;
            for (int i = 3; i >= 0; --i) v.DWord = (v.DWord << 8) | static_cast<unsigned char>(bytes[i]);
        } else {
            v.DataType = type == 3 ? TRegDataType::rdBinary : TRegDataType::rdUnknown;
            v.RawType = static_cast<int>(type);
            v.Data = bytes;
        }
    } else {
        c.Fail("unknown kind of data");
    }
}

void ReadValueLine(Cursor& c, TRegKey& key) {
    std::string name;
    if (c.text[c.pos] == '@') {
        ++c.pos;
    } else {
        name = ReadQuoted(c);
        if (!ValidValueName(name)) c.Fail("control character in a value name");
    }
    while (!c.AtEnd() && (c.text[c.pos] == ' ' || c.text[c.pos] == '\t')) ++c.pos;
    if (c.AtEnd() || c.text[c.pos] != '=') c.Fail("\"=\" expected");
    ++c.pos;
    while (!c.AtEnd() && (c.text[c.pos] == ' ' || c.text[c.pos] == '\t')) ++c.pos;
    TRegValue v;
    ReadData(c, v);
    TRegValue& slot = key.Value(name);
    v.Name = slot.Name;
    v.Folded = slot.Folded;
    slot = std::move(v);
}

TRegKey* ReadKeyLine(const Cursor& c, TRegKey& root, const std::string& rootName) {
    const std::string& t = c.text;
    if (t.back() != ']') c.Fail("\"]\" expected");
    std::vector<std::string> names;
    if (!SplitKeyPath(t.substr(1, t.size() - 2), names) || names.empty()) c.Fail("bad key name");
    if (!SameName(names.front(), rootName)) c.Fail("key outside " + rootName);
    if (!WithinKeyDepth({names.begin() + 1, names.end()}))
        c.Fail("key path deeper than " + std::to_string(MaxKeyDepth) + " levels");
    TRegKey* key = &root;
    bool created = false;
    for (std::size_t i = 1; i < names.size(); ++i) key = &key->SubKey(names[i], created);
    return key;
}

std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(std::move(line));
        start = end + 1;
    }
    if (!lines.empty() && lines.front().rfind("\xEF\xBB\xBF", 0) == 0) lines.front().erase(0, 3);
    return lines;
}

using TSubKeys = std::vector<std::shared_ptr<TRegKey>>;

template <typename Keys>
auto LowerBound(Keys& keys, const std::string& folded) {
    return std::lower_bound(keys.begin(), keys.end(), folded,
                            [](const std::shared_ptr<TRegKey>& k, const std::string& f) { return k->Folded < f; });
}

// The key at the end of Path below Key; the mutable one copies each shared key on the way.
template <typename Key>
Key* FindPath(Key* key, const std::vector<std::string>& path) {
    for (const std::string& name : path) {
        key = key->FindSubKey(name);
        if (!key) return nullptr;
    }
    return key;
}

// Characters as the registry counts them (UTF-16 code units).
std::size_t NameLength(const std::string& name) {
    if (IsAscii(name)) return name.size();
    return static_cast<std::size_t>(QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size())).size());
}

std::string Escape(const std::string& s) {
    std::string out;
    for (char c : s) {
        if (c == '\\' || c == '"') out += '\\';
        out += c;
    }
    return out;
}

// Bytes as regedit lists them: lower-case pairs, lines wrapped before 80 columns.
std::string FormatBytes(const std::string& head, const std::string& bytes) {
    std::string out;
    std::string line = head;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        char token[4];
        std::snprintf(token, sizeof token, "%02x", static_cast<unsigned char>(bytes[i]));
        std::string item = token;
        if (i + 1 < bytes.size()) item += ',';
        if (line.size() + item.size() > 77) {
            out += line + "\\\n";
            line = "  ";
        }
        line += item;
    }
    return out + line + "\n";
}

std::string FormatValue(const TRegValue& v) {
    const std::string head = (v.Name.empty() ? std::string("@") : "\"" + Escape(v.Name) + "\"") + "=";
    switch (v.DataType) {
        case TRegDataType::rdString:
            // Line breaks and other control characters cannot stand between quotes.
            if (HasControl(v.Data)) return FormatBytes(head + "hex(1):", v.Data + '\0');
            return head + "\"" + Escape(v.Data) + "\"\n";
        case TRegDataType::rdExpandString:
            return FormatBytes(head + "hex(2):", v.Data + '\0');
        case TRegDataType::rdInteger: {
            char buf[16];
            std::snprintf(buf, sizeof buf, "dword:%08x", v.DWord);
            return head + buf + "\n";
        }
        case TRegDataType::rdBinary:
            return FormatBytes(head + "hex:", v.Data);
        case TRegDataType::rdUnknown:
            break;
    }
    char type[24];
    std::snprintf(type, sizeof type, "hex(%x):", static_cast<unsigned>(v.RawType));
    return FormatBytes(head + type, v.Data);
}

void FormatSection(const TRegKey& key, const std::string& path, std::string& out) {
    out += "[" + path + "]\n";
    for (const TRegValue& v : key.Values) out += FormatValue(v);
    out += "\n";
}

}  // namespace

std::string FoldName(const std::string& name) {
    if (IsAscii(name)) {
        std::string out = name;
        for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        return out;
    }
    return QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size())).toCaseFolded().toStdString();
}

bool SameName(const std::string& a, const std::string& b) { return FoldName(a) == FoldName(b); }

bool SplitKeyPath(const std::string& path, std::vector<std::string>& names) {
    names.clear();
    std::string p = path;
    if (!p.empty() && p.front() == '\\') p.erase(0, 1);
    if (!p.empty() && p.back() == '\\') p.pop_back();
    if (p.empty()) return true;
    std::size_t start = 0;
    while (true) {
        const std::size_t sep = p.find('\\', start);
        std::string name = p.substr(start, sep == std::string::npos ? std::string::npos : sep - start);
        if (name.empty() || HasControl(name) || NameLength(name) > MaxKeyNameLength) return false;
        names.push_back(std::move(name));
        if (sep == std::string::npos) return true;
        start = sep + 1;
    }
}

bool WithinKeyDepth(const std::vector<std::string>& path) { return path.size() <= MaxKeyDepth; }

bool ValidValueName(const std::string& name) { return !HasControl(name); }

TRegKey::~TRegKey() {
    TSubKeys pending = std::move(SubKeys);
    while (!pending.empty()) {
        std::shared_ptr<TRegKey> k = std::move(pending.back());
        pending.pop_back();
        // A key that another tree still holds stays whole for it.
        if (k.use_count() != 1) continue;
        for (auto& sub : k->SubKeys) pending.push_back(std::move(sub));
        k->SubKeys.clear();
    }
}

TRegKey& TRegKey::Own(std::shared_ptr<TRegKey>& Sub) {
    if (Sub.use_count() > 1) Sub = std::make_shared<TRegKey>(*Sub);
    return *Sub;
}

const TRegKey* TRegKey::FindSubKey(const std::string& name) const {
    const std::string f = FoldName(name);
    const auto it = LowerBound(SubKeys, f);
    return it != SubKeys.end() && (*it)->Folded == f ? it->get() : nullptr;
}

TRegKey* TRegKey::FindSubKey(const std::string& name) {
    const std::string f = FoldName(name);
    const auto it = LowerBound(SubKeys, f);
    return it != SubKeys.end() && (*it)->Folded == f ? &Own(*it) : nullptr;
}

TRegKey& TRegKey::SubKey(const std::string& name, bool& Created) {
    const std::string f = FoldName(name);
    auto it = LowerBound(SubKeys, f);
    Created = it == SubKeys.end() || (*it)->Folded != f;
    if (Created) {
        auto k = std::make_shared<TRegKey>();
        k->Name = name;
        k->Folded = f;
        it = SubKeys.insert(it, std::move(k));
    }
    return Own(*it);
}

bool TRegKey::RemoveSubKey(const std::string& name) {
    const std::string f = FoldName(name);
    const auto it = LowerBound(SubKeys, f);
    if (it == SubKeys.end() || (*it)->Folded != f) return false;
    SubKeys.erase(it);
    return true;
}

const TRegValue* TRegKey::FindValue(const std::string& name) const {
    return const_cast<TRegKey*>(this)->FindValue(name);
}

TRegValue* TRegKey::FindValue(const std::string& name) {
    const std::string f = FoldName(name);
    const auto it = std::find_if(Values.begin(), Values.end(), [&](const TRegValue& v) { return v.Folded == f; });
    return it == Values.end() ? nullptr : &*it;
}

TRegValue& TRegKey::Value(const std::string& name) {
    if (TRegValue* v = FindValue(name)) return *v;
    TRegValue v;
    v.Name = name;
    v.Folded = FoldName(name);
    Values.push_back(std::move(v));
    return Values.back();
}

bool TRegKey::RemoveValue(const std::string& name) {
    const std::string f = FoldName(name);
    const auto it = std::find_if(Values.begin(), Values.end(), [&](const TRegValue& v) { return v.Folded == f; });
    if (it == Values.end()) return false;
    Values.erase(it);
    return true;
}

const TRegKey* TRegKey::Find(const std::vector<std::string>& path) const { return FindPath(this, path); }

TRegKey* TRegKey::Find(const std::vector<std::string>& path) { return FindPath(this, path); }

TRegKey ParseHive(const std::string& text, const std::string& RootName) {
    TRegKey root;
    root.Name = RootName;
    root.Folded = FoldName(RootName);
    const std::vector<std::string> lines = SplitLines(text);
    bool header = false;
    TRegKey* current = nullptr;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const int lineNo = static_cast<int>(i) + 1;
        const std::string t = TrimBlanks(lines[i]);
        if (t.empty()) continue;
        if (!header) {
            if (t != "REGEDIT4") throw EHiveSyntax(lineNo, "\"REGEDIT4\" expected");
            header = true;
            continue;
        }
        if (t[0] == ';') continue;
        if (t[0] == '[') {
            current = ReadKeyLine(Cursor{t, 0, lineNo}, root, RootName);
            continue;
        }
        if (t[0] != '"' && t[0] != '@') throw EHiveSyntax(lineNo, "neither a key nor a value");
        if (!current) throw EHiveSyntax(lineNo, "value before the first key");
        Cursor c{t, 0, lineNo, [&](std::string& next) {
                     if (i + 1 >= lines.size()) return false;
                     next = lines[++i];
                     return true;
                 }};
        ReadValueLine(c, *current);
    }
    return root;
}

std::string FormatHive(const TRegKey& root, const std::string& RootName) {
    std::string out = "REGEDIT4\n\n";
    if (!root.Values.empty()) FormatSection(root, RootName, out);
    // Depth first, parents before their subkeys, with one path that grows and
    // shrinks on the way; no recursion, however deep the tree.
    struct TLevel {
        const TRegKey* key;
        std::size_t next;        // the subkey to write next
        std::size_t pathLength;  // of the key's own path
    };
    std::string path = RootName;
    std::vector<TLevel> levels{{&root, 0, path.size()}};
    while (!levels.empty()) {
        TLevel& level = levels.back();
        if (level.next == level.key->SubKeys.size()) {
            levels.pop_back();
            continue;
        }
        const TRegKey& sub = *level.key->SubKeys[level.next++];
        path.resize(level.pathLength);
        path += '\\';
        path += sub.Name;
        // A key with nothing but subkeys comes back with their lines.
        if (!sub.Values.empty() || sub.SubKeys.empty()) FormatSection(sub, path, out);
        levels.push_back({&sub, 0, path.size()});
    }
    return out;
}

}  // namespace registry
