#include "platform/RegistryFile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

namespace {

using registry::EHiveSyntax;
using registry::FormatHive;
using registry::ParseHive;
using registry::TRegDataType;
using registry::TRegKey;
using registry::TRegValue;

const char* const kRoot = "HKEY_CURRENT_USER";

const TRegKey& KeyAt(const TRegKey& root, const std::vector<std::string>& path) {
    const TRegKey* k = root.Find(path);
    if (!k) throw std::runtime_error("no such key");
    return *k;
}

TEST(RegistryFile, ReadsTheDocumentedExample) {
    const std::string text =
        "REGEDIT4\n"
        "\n"
        "[HKEY_CURRENT_USER\\SOFTWARE\\Norvale\\Pellow\\Version 0.50]\n"
        "\"LogFile\"=dword:00000001\n"
        "\"LogFileName\"=\"/home/me/Pellow.log\"\n"
        "@=\"the default (unnamed) value\"\n"
        "\"DCB\"=hex:1c,00,00,00\n";
    const TRegKey root = ParseHive(text, kRoot);
    const TRegKey& k = KeyAt(root, {"software", "NORVALE", "Pellow", "version 0.50"});
    EXPECT_EQ(k.Name, "Version 0.50");
    ASSERT_EQ(k.Values.size(), 4u);
    EXPECT_EQ(k.FindValue("logfile")->DataType, TRegDataType::rdInteger);
    EXPECT_EQ(k.FindValue("LOGFILE")->DWord, 1u);
    EXPECT_EQ(k.FindValue("LogFileName")->Data, "/home/me/Pellow.log");
    EXPECT_EQ(k.FindValue("")->Data, "the default (unnamed) value");
    EXPECT_EQ(k.FindValue("DCB")->DataType, TRegDataType::rdBinary);
    EXPECT_EQ(k.FindValue("DCB")->Data, std::string("\x1c\0\0\0", 4));
    // The parents exist although the file names only the deepest key.
    EXPECT_EQ(KeyAt(root, {"SOFTWARE"}).Name, "SOFTWARE");
    EXPECT_EQ(KeyAt(root, {"SOFTWARE", "Norvale"}).SubKeys.size(), 1u);
}

TEST(RegistryFile, WritesRegedit4Text) {
    TRegKey root = ParseHive("", kRoot);
    bool created = false;
    TRegKey& k = root.SubKey("Software", created).SubKey("Norvale", created);
    k.Value("Path").Data = "C:\\dir \"quoted\"";
    TRegValue& n = k.Value("Count");
    n.DataType = TRegDataType::rdInteger;
    n.DWord = 0xFFFFFFFEu;
    k.Value("").Data = "default";
    TRegValue& b = k.Value("Bytes");
    b.DataType = TRegDataType::rdBinary;
    b.Data = std::string("\x01\xab\x00", 3);
    // "Software" holds nothing but "Norvale": its line makes it, as reading does.
    EXPECT_EQ(FormatHive(root, kRoot),
              "REGEDIT4\n"
              "\n"
              "[HKEY_CURRENT_USER\\Software\\Norvale]\n"
              "\"Path\"=\"C:\\\\dir \\\"quoted\\\"\"\n"
              "\"Count\"=dword:fffffffe\n"
              "@=\"default\"\n"
              "\"Bytes\"=hex:01,ab,00\n"
              "\n");
}

// Every kind of value survives a write and a read unchanged.
TEST(RegistryFile, RoundTripsEveryKindOfData) {
    TRegKey root = ParseHive("", kRoot);
    bool created = false;
    root.SubKey("Empty key", created);
    TRegKey& k = root.SubKey("Key \xC3\x84 [x]", created);
    k.Value("plain").Data = "text";
    k.Value("escapes").Data = "a\\b\"c\\\\";
    k.Value("lines").Data = "first\nsecond\r\n\ttab";
    k.Value("utf8").Data = "Gr\xC3\xBC\xC3\x9F" "e";
    k.Value("empty").Data = "";
    TRegValue& e = k.Value("expand");
    e.DataType = TRegDataType::rdExpandString;
    e.Data = "%HOME%/x";
    TRegValue& big = k.Value("big");
    big.DataType = TRegDataType::rdBinary;
    for (int i = 0; i < 300; ++i) big.Data += static_cast<char>(i);
    TRegValue& none = k.Value("nothing");
    none.DataType = TRegDataType::rdBinary;
    TRegValue& odd = k.Value("multi");
    odd.DataType = TRegDataType::rdUnknown;
    odd.RawType = 7;
    odd.Data = std::string("a\0b\0\0", 5);
    TRegValue& zero = k.Value("zero");
    zero.DataType = TRegDataType::rdInteger;
    k.Value("nul inside").Data = std::string("x\0y", 3);
    k.Value("nul alone").Data = std::string(1, '\0');
    k.Value("nul at the end").Data = std::string("ab\0", 3);
    TRegValue& en = k.Value("expand with nul");
    en.DataType = TRegDataType::rdExpandString;
    en.Data = std::string("%A%\0%B%", 7);
    k.Value("name with \"quotes\" and \\").Data = "v";

    const std::string text = FormatHive(root, kRoot);
    const TRegKey back = ParseHive(text, kRoot);
    EXPECT_EQ(FormatHive(back, kRoot), text);
    const TRegKey& b = KeyAt(back, {"key \xC3\xA4 [X]"});
    ASSERT_EQ(b.Values.size(), k.Values.size());
    for (std::size_t i = 0; i < k.Values.size(); ++i) {
        EXPECT_EQ(b.Values[i].Name, k.Values[i].Name);
        EXPECT_EQ(b.Values[i].DataType, k.Values[i].DataType) << k.Values[i].Name;
        EXPECT_EQ(b.Values[i].Data, k.Values[i].Data) << k.Values[i].Name;
        EXPECT_EQ(b.Values[i].DWord, k.Values[i].DWord) << k.Values[i].Name;
        EXPECT_EQ(b.Values[i].RawType, k.Values[i].RawType) << k.Values[i].Name;
    }
    EXPECT_NE(back.FindSubKey("EMPTY KEY"), nullptr);
    // Line breaks inside text would break the line structure; such text goes out as bytes.
    EXPECT_NE(text.find("\"lines\"=hex(1):66,69"), std::string::npos);
    // Long byte lists are wrapped as regedit wraps them.
    for (std::size_t start = 0, end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
        EXPECT_LE(end - start, 80u) << text.substr(start, end - start);
    }
}

TEST(RegistryFile, AcceptsWhatRegeditAndEditorsWrite) {
    const std::string text =
        "\xEF\xBB\xBFREGEDIT4\r\n"
        "\r\n"
        "; a comment\r\n"
        "[hkey_current_user\\A]\r\n"
        "\"x\" = \"1\"\r\n"
        "\"bin\"=hex:01,02,\\\r\n"
        "  03,04\r\n"
        "\"exp\"=hex(2):25,48,00\r\n"
        "\"dw\"=hex(4):78,56,34,12\r\n"
        "\"path\"=\"C:\\dir\\file\"\r\n"
        "[HKEY_CURRENT_USER\\a]\r\n"
        "\"X\"=\"2\"\r\n"
        "\"short\"=dword:1f\r\n";
    const TRegKey root = ParseHive(text, kRoot);
    const TRegKey& a = KeyAt(root, {"A"});
    EXPECT_EQ(a.FindValue("x")->Data, "2");  // a later line wins, the first name stays
    EXPECT_EQ(a.FindValue("x")->Name, "x");
    EXPECT_EQ(a.FindValue("bin")->Data, "\x01\x02\x03\x04");
    EXPECT_EQ(a.FindValue("exp")->DataType, TRegDataType::rdExpandString);
    EXPECT_EQ(a.FindValue("exp")->Data, "%H");
    EXPECT_EQ(a.FindValue("dw")->DataType, TRegDataType::rdInteger);
    EXPECT_EQ(a.FindValue("dw")->DWord, 0x12345678u);
    EXPECT_EQ(a.FindValue("path")->Data, "C:\\dir\\file");  // a lone backslash stands for itself
    EXPECT_EQ(a.FindValue("short")->DWord, 0x1Fu);
    EXPECT_TRUE(ParseHive("", kRoot).SubKeys.empty());
    EXPECT_TRUE(ParseHive("\n  \n", kRoot).SubKeys.empty());
    EXPECT_TRUE(ParseHive("REGEDIT4\n", kRoot).SubKeys.empty());
}

// A NUL between quotes, as a hand-edited hive may hold one: kept through a
// write and a read. Text written by regedit as bytes ends in one NUL, which
// is no part of the text.
TEST(RegistryFile, TextWithANulReadsBackAsItWas) {
    const char text[] = "REGEDIT4\n[HKEY_CURRENT_USER\\A]\n\"v\"=\"x\0y\"\n";
    const TRegKey root = ParseHive(std::string(text, sizeof text - 1), kRoot);
    ASSERT_EQ(KeyAt(root, {"A"}).FindValue("v")->Data, std::string("x\0y", 3));
    const TRegKey back = ParseHive(FormatHive(root, kRoot), kRoot);
    EXPECT_EQ(KeyAt(back, {"A"}).FindValue("v")->Data, std::string("x\0y", 3));
    EXPECT_EQ(KeyAt(back, {"A"}).FindValue("v")->DataType, TRegDataType::rdString);
    const std::pair<const char*, std::string> bytes[] = {
        {"hex(1):61,62,00", "ab"},
        {"hex(1):61,62", "ab"},
        {"hex(1):61,00,62,00", std::string("a\0b", 3)},
        {"hex(1):61,00,00", std::string("a\0", 2)},
        {"hex(1):00", ""},
        {"hex(2):25,41,25,00", "%A%"},
    };
    for (const auto& [data, text] : bytes) {
        const TRegKey r = ParseHive(std::string("REGEDIT4\n[HKEY_CURRENT_USER\\A]\n\"v\"=") + data + "\n", kRoot);
        EXPECT_EQ(KeyAt(r, {"A"}).FindValue("v")->Data, text) << data;
    }
}

struct BadCase {
    const char* text;
    int line;
};

TEST(RegistryFile, RejectsWhatIsNotAHive) {
    const BadCase cases[] = {
        {"Windows Registry Editor Version 5.00\n", 1},
        {"[HKEY_CURRENT_USER\\A]\n", 1},
        {"REGEDIT4\n\"a\"=\"b\"\n", 2},
        {"REGEDIT4\n[HKEY_LOCAL_MACHINE\\A]\n", 2},
        {"REGEDIT4\n[HKEY_CURRENT_USER\\A\n", 2},
        {"REGEDIT4\n[HKEY_CURRENT_USER\\A\\\\B]\n", 2},
        {"REGEDIT4\n[]\n", 2},
        {"REGEDIT4\n[HKEY_CURRENT_USER\\A]\n\"a\"=\"b\n", 3},
        {"REGEDIT4\n[HKEY_CURRENT_USER\\A]\n\"a\"=\"b\" c\n", 3},
        {"REGEDIT4\n[HKEY_CURRENT_USER\\A]\n\"a\"\"b\"\n", 3},
        {"REGEDIT4\n[HKEY_CURRENT_USER\\A]\n\"a\"=dword:123456789\n", 3},
        {"REGEDIT4\n[HKEY_CURRENT_USER\\A]\n\"a\"=dword:12x\n", 3},
        {"REGEDIT4\n[HKEY_CURRENT_USER\\A]\n\"a\"=dword:\n", 3},
        {"REGEDIT4\n[HKEY_CURRENT_USER\\A]\n\"a\"=hex:1,2,zz\n", 3},
        {"REGEDIT4\n[HKEY_CURRENT_USER\\A]\n\"a\"=hex:01,\n", 3},
        {"REGEDIT4\n[HKEY_CURRENT_USER\\A]\n\"a\"=hex:100\n", 3},
        {"REGEDIT4\n[HKEY_CURRENT_USER\\A]\n\"a\"=hex(q):00\n", 3},
        {"REGEDIT4\n[HKEY_CURRENT_USER\\A]\n\"a\"=-\n", 3},
        {"REGEDIT4\n[HKEY_CURRENT_USER\\A]\n\"a\"=42\n", 3},
        {"REGEDIT4\n[HKEY_CURRENT_USER\\A]\nLogFile=1\n", 3},
        {"REGEDIT4\n[HKEY_CURRENT_USER\\A]\n\n\n\"a\"=\"\\\"\n", 5},
    };
    for (const BadCase& c : cases) {
        try {
            ParseHive(c.text, kRoot);
            ADD_FAILURE() << "accepted: " << c.text;
        } catch (const EHiveSyntax& e) {
            EXPECT_EQ(e.Line, c.line) << c.text << " -> " << e.what();
        }
    }
}

std::string DeepLine(int levels, const std::string& name = "k") {
    std::string line = "[HKEY_CURRENT_USER";
    for (int i = 0; i < levels; ++i) line += "\\" + name;
    return line + "]\n";
}

// The registry's own limits: a key path of 512 levels and key names of 255
// characters. A hive beyond them is no hive of the registry's.
TEST(RegistryFile, KeyPathsAndNamesWithinTheRegistrysLimits) {
    const TRegKey ok = ParseHive("REGEDIT4\n" + DeepLine(512) + "\"v\"=\"x\"\n", kRoot);
    std::vector<std::string> path(512, "k");
    ASSERT_NE(ok.Find(path), nullptr);
    EXPECT_EQ(ok.Find(path)->FindValue("v")->Data, "x");
    const std::string long255(255, 'n'), umlauts255 = [] {
        std::string u;
        for (int i = 0; i < 255; ++i) u += "\xC3\x84";
        return u;
    }();
    EXPECT_NE(ParseHive("REGEDIT4\n" + DeepLine(1, long255), kRoot).FindSubKey(long255), nullptr);
    EXPECT_NE(ParseHive("REGEDIT4\n" + DeepLine(1, umlauts255), kRoot).FindSubKey(umlauts255), nullptr);
    const std::string bad[] = {
        "REGEDIT4\n" + DeepLine(513),
        "REGEDIT4\n" + DeepLine(200000),
        "REGEDIT4\n" + DeepLine(1, long255 + "n"),
        "REGEDIT4\n" + DeepLine(1, umlauts255 + "\xC3\x84"),
        "REGEDIT4\n[HKEY_CURRENT_USER\\A]\n" + DeepLine(3) + DeepLine(2, long255 + "n"),
    };
    for (const std::string& text : bad) {
        try {
            ParseHive(text, kRoot);
            ADD_FAILURE() << "accepted: " << text.substr(0, 80);
        } catch (const EHiveSyntax& e) {
            EXPECT_EQ(e.Line, std::count(text.begin(), text.end(), '\n')) << e.what();
        }
    }
    std::vector<std::string> names;
    EXPECT_TRUE(registry::SplitKeyPath("A\\" + long255, names));
    EXPECT_FALSE(registry::SplitKeyPath("A\\" + long255 + "n", names));
}

// A key that only leads to deeper keys is written by those keys' lines, as it
// is read: what is written grows with the tree, not with its depth squared.
TEST(RegistryFile, WritesEachKeyPathOnceWhateverItsDepth) {
    const std::string text = "REGEDIT4\n\n" + DeepLine(512) + "\n";
    const TRegKey deep = ParseHive(text, kRoot);
    const std::string out = FormatHive(deep, kRoot);
    EXPECT_EQ(out, text);
    // Empty keys, leaves and keys with values between them stay as they were.
    const std::string mixed =
        "REGEDIT4\n\n"
        "[HKEY_CURRENT_USER\\A\\B]\n\"v\"=dword:00000001\n\n"
        "[HKEY_CURRENT_USER\\A\\B\\C\\D]\n\n"
        "[HKEY_CURRENT_USER\\A\\E]\n\n"
        "[HKEY_CURRENT_USER\\F]\n\n";
    const TRegKey m = ParseHive(mixed, kRoot);
    EXPECT_EQ(FormatHive(m, kRoot), mixed);
    for (const std::vector<std::string>& p : std::vector<std::vector<std::string>>{
             {"A"}, {"A", "B"}, {"A", "B", "C"}, {"A", "B", "C", "D"}, {"A", "E"}, {"F"}})
        EXPECT_NE(ParseHive(FormatHive(m, kRoot), kRoot).Find(p), nullptr) << p.back();
}

// A tree deeper than any hive may be (made in memory) is still written and
// taken apart without recursion.
TEST(RegistryFile, AVeryDeepTreeInMemory) {
    std::unique_ptr<TRegKey> root = std::make_unique<TRegKey>(ParseHive("", kRoot));
    TRegKey* k = root.get();
    bool created = false;
    for (int i = 0; i < 200000; ++i) k = &k->SubKey("k", created);
    k->Value("v").Data = "bottom";
    const std::string out = FormatHive(*root, kRoot);
    EXPECT_LT(out.size(), 200000u * 2 + 100);
    EXPECT_NE(out.find("\\k\\k]\n\"v\"=\"bottom\"\n"), std::string::npos);
    const TRegKey copy = *root;  // shares the keys below: nothing deep is copied
    root.reset();
    EXPECT_EQ(copy.SubKeys.size(), 1u);
}

TEST(RegistryFile, NamesFoldWithoutRegardToCase) {
    EXPECT_TRUE(registry::SameName("Software", "SOFTWARE"));
    EXPECT_TRUE(registry::SameName("\xC3\x84nderung", "\xC3\xA4NDERUNG"));  // Ä / ä
    EXPECT_FALSE(registry::SameName("Pellow", "Pellow "));
    EXPECT_FALSE(registry::SameName("a", "b"));
}

struct PathCase {
    const char* path;
    bool ok;
    std::vector<std::string> names;
};

TEST(RegistryFile, SplitsKeyPaths) {
    const PathCase cases[] = {
        {"", true, {}},
        {"\\", true, {}},
        {"A", true, {"A"}},
        {"\\Software\\Lumbra\\test\\", true, {"Software", "Lumbra", "test"}},
        {"SOFTWARE\\Norvale\\Pellow\\Version 0.50", true, {"SOFTWARE", "Norvale", "Pellow", "Version 0.50"}},
        {"A\\\\B", false, {}},
        {"\\\\A", false, {}},
        {"A\\\\", false, {}},
        {"A\nB", false, {}},
    };
    for (const PathCase& c : cases) {
        std::vector<std::string> names;
        EXPECT_EQ(registry::SplitKeyPath(c.path, names), c.ok) << c.path;
        if (c.ok) {
            EXPECT_EQ(names, c.names) << c.path;
        }
    }
}

}  // namespace
