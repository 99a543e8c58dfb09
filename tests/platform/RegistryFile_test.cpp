#include "platform/RegistryFile.h"

#include <gtest/gtest.h>

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
    EXPECT_EQ(FormatHive(root, kRoot),
              "REGEDIT4\n"
              "\n"
              "[HKEY_CURRENT_USER\\Software]\n"
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
