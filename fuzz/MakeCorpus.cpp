// Writes the seed corpora of the fuzz targets into corpus/<Name>/ below the
// folder given (fuzz/ of the tree): the session targets' seeds are the
// simulator's replies to the very runs the targets drive (Drives.h), cut
// where the program wrote; the file targets' seeds come from our own
// encoders (G3 pages and fax letters, our TIFF writer and the tests' fax
// files in every coding the viewer reads, WAV and .gsm writers, the
// registry's own hive files, file-list blocks). Run it from a normal build:
// fuzz_corpus fuzz
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "echolet/GsmFile.h"
#include "echolet/GsmWav.h"
#include "fuzz/Drives.h"
#include "fuzz/FuzzKit.h"
#include "modem/FaxTiff.h"
#include "platform/OleDropFiles.h"
#include "platform/RegistryFile.h"
#include "platform/Serial.h"
#include "testkit/FaxLetter.h"
#include "testkit/G3Encode.h"
#include "testkit/Wave.h"
#include "tests/viewer/FaxFiles.h"
#include "modemsim/EngineRig.h"
#include "tools/modemsim/SimRegistry.h"
#include "tools/modemsim/SimScenario.h"

namespace {

using Options = simtest::EngineRig::OptList;

// The simulator's engine behind a port: what the program writes goes in, and
// what the modem sends back until the program's next write is one piece of
// the session; what it sends while the program only waits is a piece too.
class RecordingPort : public serial::Port {
public:
    RecordingPort(const std::string& Model, const Options& Opts, const std::string& ScenarioText)
        : modem_(*modemsim::FindModel(Model), Opts, modemsim::ParseScenario(ScenarioText)) {}

    std::vector<std::string> pieces;

    bool ApplySettings(const serial::LineSettings&) override { return true; }
    bool SetupQueues(uint32_t, uint32_t) override { return true; }
    bool SetTimeouts(const serial::Timeouts&) override { return true; }
    bool Purge(bool input, bool) override {
        if (input) input_.clear();
        return true;
    }
    bool QueueCounts(uint32_t& input, uint32_t& output) override {
        input = static_cast<uint32_t>(input_.size());
        output = 0;
        return true;
    }
    bool ModemStatus(uint8_t& lines) override {
        lines = 0;
        return true;
    }
    bool Read(void* buffer, std::size_t count, std::size_t& got) override {
        if (input_.empty()) Wait(50);
        got = std::min(count, input_.size());
        std::memcpy(buffer, input_.data(), got);
        input_.erase(0, got);
        return true;
    }
    bool Write(const void* data, std::size_t count, std::size_t& written) override {
        std::string piece = modem_.Type(std::string(static_cast<const char*>(data), count));
        piece += modem_.Advance(5);
        Take(piece);
        written = count;
        return true;
    }
    bool WaitReadable(int ms) override {
        if (input_.empty()) Wait(ms);
        return !input_.empty();
    }
    bool WaitWritable(int) override { return true; }
    bool Lost() override { return false; }
    void Close() override {}

private:
    void Take(const std::string& piece) {
        pieces.push_back(piece);
        input_ += piece;
    }
    // Time passes for the modem as the program waits; the program's own
    // clock runs too, a little, so that its time-outs come in the end.
    void Wait(int ms) {
        const std::string piece = modem_.Advance(static_cast<uint64_t>(std::max(ms, 1)));
        if (!piece.empty()) Take(piece);
        else std::this_thread::sleep_for(std::chrono::milliseconds(std::clamp(ms, 1, 20)));
    }

    simtest::EngineRig modem_;
    std::string input_;
};

std::filesystem::path g_root;

void Write(const std::string& Target, const std::string& Name, const std::string& Bytes) {
    const auto dir = g_root / "corpus" / Target;
    std::filesystem::create_directories(dir);
    std::ofstream(dir / Name, std::ios::binary | std::ios::trunc) << Bytes;
    std::cout << Target << "/" << Name << ": " << Bytes.size() << " bytes\n";
}

// Runs Drive against the simulator playing Model and keeps the session.
template <typename TDrive>
std::string Record(const char* PortName, const std::string& Model, const Options& Opts, const std::string& Scenario,
                   TDrive&& Drive) {
    auto port = std::make_shared<RecordingPort>(Model, Opts, Scenario);
    const serial::ScopedPortFactory factory([port, path = serial::DevicePath(PortName)](const std::string& name) {
        return serial::DevicePath(name) == path ? serial::PortPtr(port) : serial::PortPtr();
    });
    Drive();
    return fuzz::JoinSession(port->pieces);
}

std::string ReadAll(const std::filesystem::path& Path) {
    std::ifstream in(Path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// --- the session targets

const char* const kSixMessages = R"([message]
type = voice
state = new
time = 12,9,41
caller = "0301 234567"
seconds = 2
[message]
type = fax
state = old
ago = 2d5h30m
caller = "+49 221 987654"
pages = 2
[message]
type = voice
state = 254
time = unknown
seconds = 1
encapsulated = yes
[message]
type = fax
error = 3
time = 180,23,59
pages = 1
fine = yes
[message]
type = voice
state = old
time = 1,0,0
caller = "12345678901234567890"
seconds = 1
[message]
type = voice
number = 9
time = 253,12,0
seconds = 1
)";

void ReplyLines() {
    const struct {
        const char* name;
        const char* model;
        Options opts;
    } runs[] = {{"sportster", "sportster", {}},
                {"56k-message", "56k-message", {}},
                {"56k-pro", "56k-pro", {}},
                {"elsa", "elsa", {}},
                {"elsa-old-firmware", "elsa", {{"firmware", "1.10"}}},
                {"elsa-mdl-prefix", "elsa", {{"mdl-prefix", ""}}},
                {"other", "other", {}},
                {"ring-before-status", "sportster", {{"ring-on", "+MSR"}}},
                {"status-error", "sportster", {{"error-on", "+MSR"}}},
                {"noise-after-echo", "sportster", {{"garbage", "40"}, {"garbage-crlf", ""}}}};
    for (const auto& r : runs)
        Write("ReplyLines", r.name, Record(fuzz::kPellowPort, r.model, r.opts, "", fuzz::DriveReplyLines));
}

void Info3com() {
    Write("Info3com", "default-memory", Record(fuzz::kPellowPort, "sportster", {}, "", fuzz::DriveInfo3com));
    Write("Info3com", "six-messages", Record(fuzz::kPellowPort, "56k-pro", {}, kSixMessages, fuzz::DriveInfo3com));
    Write("Info3com", "pages-field",
          Record(fuzz::kPellowPort, "56k-message", {}, "[memory]\nused = 97\npages-field = yes\n" + std::string(kSixMessages),
                 fuzz::DriveInfo3com));
    Write("Info3com", "empty-memory",
          Record(fuzz::kPellowPort, "sportster", {}, "[memory]\nused = 0\n", fuzz::DriveInfo3com));
}

const char* const kElsaStore = R"([greeting]
[message]
type = voice
date = 01.02.2001
time = 10:20
caller = "0221 987654"
seconds = 1
[greeting]
[message]
type = fax
fine = yes
flags =
date = 31.12.1999
time = 23:59
pages = 1
lines = 40
[message]
line = "MSG9,T4F,N,32.13.2001,25:61,,"
[message]
type = fax
format = t4n
size = 
date = 29.02.2000
time = 00:00
pages = 1
lines = 20
)";

void ElsaDirectory() {
    Write("ElsaDirectory", "default-store", Record(fuzz::kPellowPort, "elsa", {}, "", fuzz::DriveElsaDirectory));
    Write("ElsaDirectory", "greetings-and-odd-lines",
          Record(fuzz::kPellowPort, "elsa", {}, kElsaStore, fuzz::DriveElsaDirectory));
    Write("ElsaDirectory", "free-given",
          Record(fuzz::kPellowPort, "elsa", {}, "[elsa]\nfree = 62\n", fuzz::DriveElsaDirectory));
}

void BlockReceive() {
    const std::string store = "[message]\nname = FAX0001.T4F\ntype = fax\npages = 2\nlines = 30,12\n";
    const std::string path = fuzz::FuzzHome() + "/download";
    const struct {
        const char* name;
        Options opts;
    } runs[] = {{"three-blocks", {}},
                {"bad-start-byte", {{"dnl-bad-start", "2:2"}}},
                {"short-block", {{"dnl-short", "1"}}},
                {"bad-checksum", {{"dnl-bad-checksum", "2"}}},
                {"cancel", {{"dnl-cancel", "2"}}},
                {"noise-before-block", {{"dnl-garbage", "1"}}}};
    for (const auto& r : runs)
        Write("BlockReceive", r.name,
              Record(fuzz::kPellowPort, "elsa", r.opts, store, [&] { fuzz::DriveBlockReceive("FAX0001.T4F", path); }));
}

void MurmelDownload() {
    const std::string folder = fuzz::FuzzHome() + "/murmel";
    const auto drive = [&] {
        fuzz::DriveMurmelDownload(folder);
        int wavs = 0;
        for (const auto& entry : std::filesystem::directory_iterator(folder))
            wavs += entry.path().extension() == ".wav";
        std::cout << "  (the worker wrote " << wavs << " WAV files)\n";
    };
    Write("MurmelDownload", "default-memory", Record(fuzz::kMurmelPort, "sportster", {}, "", drive));
    Write("MurmelDownload", "six-messages-clock-known",
          Record(fuzz::kMurmelPort, "56k-message", {{"clock", "12,10,0,0"}}, kSixMessages, drive));
    Write("MurmelDownload", "status-checksum-retry",
          Record(fuzz::kMurmelPort, "sportster", {{"status-bad-checksum-once", "1"}}, kSixMessages, drive));
    Write("MurmelDownload", "page-checksum-retry",
          Record(fuzz::kMurmelPort, "sportster", {{"page-bad-checksum", "4:1"}}, "", drive));
    Write("MurmelDownload", "empty-memory", Record(fuzz::kMurmelPort, "sportster", {}, "[memory]\nused = 0\n", drive));
    // The registry's own hive file of these runs seeds the hive target.
    Write("RegistryHive", "murmel-profile", ReadAll(fuzz::FuzzHome() + "/registry/HKCU.reg"));
}

void MurmelReplies() {
    RecordingPort modem("sportster", {{"clock", "3,4,5,6"}}, kSixMessages);
    const auto reply = [&](const std::string& command) {
        std::size_t written = 0;
        modem.Write(command.data(), command.size(), written);
        std::string line = modem.pieces.back();
        // The line itself, as the worker keeps it: without the leading CR LF and the OK.
        if (line.rfind("\r\n", 0) == 0) line.erase(0, 2);
        const std::size_t end = line.find("\r\n");
        return end == std::string::npos ? line : line.substr(0, end);
    };
    reply("ATE0\r\n");
    Write("MurmelReplies", "clock", reply("AT+MCC?\r\n"));
    for (int i = 0; i <= 6; ++i)
        Write("MurmelReplies", "status-" + std::to_string(i), reply("AT+MSR=" + std::to_string(i) + "\r\n"));
    Write("MurmelReplies", "clock-unknown", "255,255,255,255");
    Write("MurmelReplies", "clock-error", "ERROR");
}

// --- the file targets

std::string Header3com(int Pages) {
    std::string h(34, '\0');
    h[0] = 1;
    h[1] = 1;  // fax
    h[2] = static_cast<char>(255);
    h[4] = static_cast<char>(Pages);
    h[5] = 12, h[6] = 9, h[7] = 41;
    const std::string caller = "0301 234567";
    std::copy(caller.begin(), caller.end(), h.begin() + 9);
    std::fill(h.begin() + 9 + static_cast<long>(caller.size()), h.begin() + 29, ' ');
    h[31] = 5;
    h[32] = static_cast<char>(0x80);
    return h;
}

testkit::G3Page Rows(const testkit::G3Page& Page, std::size_t From, std::size_t Count) {
    return testkit::G3Page(Page.begin() + static_cast<long>(From),
                           Page.begin() + static_cast<long>(std::min(Page.size(), From + Count)));
}

void FaxFiles() {
    const std::vector<std::pair<std::string, std::vector<std::string>>> faxes = {
        {"test-pages", {testkit::G3Encode(testkit::G3TestPage(40, 1)), testkit::G3Encode(testkit::G3TestPage(25, 2))}},
        {"band-page", {testkit::G3Encode(testkit::G3BandPage(30, 3))}},
        {"letter-top", {testkit::G3Encode(Rows(testkit::FaxLetterPage(1, 0, 1, false), 60, 90))}},
        {"aligned-eols", {testkit::G3Encode(testkit::G3TestPage(20, 4), {true, 6, false})}},
        {"white-fine-page", {testkit::G3Encode(testkit::G3Page(1300, testkit::G3Row(testkit::G3Width, 0)))}},
    };
    for (const auto& [name, pages] : faxes) {
        std::string com3 = Header3com(static_cast<int>(pages.size()));
        std::string elsa;
        for (const std::string& page : pages) {
            com3 += testkit::G3Shield(page);
            elsa += "CONNECT\r\n" + testkit::G3Shield(testkit::G3ReverseBitOrder(page)) + "\r\n";
        }
        const bool fine = name.find("fine") != std::string::npos;
        Write("FaxTiff", "3com-" + name, std::string(1, static_cast<char>(fine ? 2 : 0)) + com3);
        Write("FaxTiff", "elsa-" + name, std::string(1, static_cast<char>(fine ? 3 : 1)) + elsa);
        Write("G3Resolution", name, com3);
        // As Pellow writes the downloaded fax that the viewer shows (but
        // the long white page: large pages come from the fuzzer's changes).
        if (fine) continue;
        std::istringstream msg(com3);
        std::stringstream tiff(std::ios::in | std::ios::out | std::ios::binary);
        WriteFaxTiff(msg, tiff, TPageCutter::Cut3Com, false);
        Write("ViewerTiff", "pellow-" + name, tiff.str());
    }
}

// Fax files in each coding and layout the viewer reads (written by libtiff
// from our pages), and pictures that are no fax; small pages, so that the
// fuzzer's inputs stay small.
void ViewerFiles() {
    using faxfiles::TCoding;
    const std::string file = fuzz::FuzzHome() + "/seed.tif";
    const auto pages = [](int Count, int Lines, int Width, float YResolution = 196) {
        std::vector<faxfiles::TPageSpec> list;
        for (int n = 1; n <= Count; ++n) list.push_back({faxfiles::NumberedPage(n, Lines, Width), 204, YResolution});
        return list;
    };
    const std::vector<std::pair<std::string, std::pair<std::vector<faxfiles::TPageSpec>, TCoding>>> faxes = {
        {"g3-1d", {pages(1, 150, 512), {}}},
        {"g3-2d-normal", {pages(1, 150, 512, 98), {COMPRESSION_CCITTFAX3, GROUP3OPT_2DENCODING}}},
        {"g4-three-pages", {pages(3, 200, 256), {COMPRESSION_CCITTFAX4}}},
        {"g3-strips-lsb", {pages(1, 120, 512),
                           {COMPRESSION_CCITTFAX3, 0, PHOTOMETRIC_MINISWHITE, FILLORDER_LSB2MSB, 16}}},
        {"packbits-black", {pages(2, 120, 256), {COMPRESSION_PACKBITS, 0, PHOTOMETRIC_MINISBLACK}}},
        {"lzw", {pages(1, 120, 256), {COMPRESSION_LZW}}},
        {"none-odd-width", {pages(1, 120, 203), {COMPRESSION_NONE}}},
    };
    for (const auto& [name, fax] : faxes) {
        faxfiles::WriteFax(file, fax.first, fax.second);
        Write("ViewerTiff", name, ReadAll(file));
    }
    faxfiles::WriteColour(file);
    Write("ViewerTiff", "colour", ReadAll(file));
    faxfiles::WriteTiled(file);
    Write("ViewerTiff", "tiled", ReadAll(file));
    std::filesystem::remove(file);
}

// File-list blocks of both codings as our data objects write them, one
// whose names start after a gap, one dropped in a window's frame, and the
// text block.
void DropBlocks() {
    const std::vector<std::string> names = {"/home/me/faxes/Fax 1.tif", "/tmp/Grüße.TIF", "/home/me/readme.txt"};
    Write("DropFiles", "ansi-three", ole::DropFilesBlock(names, ole::NameCoding::Ansi));
    Write("DropFiles", "utf16-three", ole::DropFilesBlock(names, ole::NameCoding::Utf16));
    Write("DropFiles", "utf16-one", ole::DropFilesBlock({names[1]}, ole::NameCoding::Utf16));
    Write("DropFiles", "ansi-empty", ole::DropFilesBlock({}, ole::NameCoding::Ansi));
    std::string gap = ole::DropFilesBlock({names[0]}, ole::NameCoding::Ansi);
    gap[0] = 28;
    gap.insert(20, std::string(8, '\x7f'));
    Write("DropFiles", "ansi-after-a-gap", gap);
    std::string frame = ole::DropFilesBlock({names[0], names[1]}, ole::NameCoding::Utf16);
    frame.replace(4, 12, std::string("\x10\x00\x00\x00\x20\x00\x00\x00\x01\x00\x00\x00", 12));
    Write("DropFiles", "utf16-in-the-frame", frame);
    Write("DropFiles", "text", *ole::TextBlock(names[0]));
}

std::string Patched(std::string Bytes, std::size_t At, const std::string& With) {
    Bytes.replace(At, With.size(), With);
    return Bytes;
}

void SoundFiles() {
    const std::string wav = testkit::MessageWavMs(100);
    Write("Wave", "message-100ms", wav);
    Write("Wave", "message-319-samples", testkit::MessageWav(319));
    Write("Wave", "message-empty", testkit::MessageWav(0));
    Write("Wave", "stereo", Patched(wav, 22, std::string("\x02\x00", 2)));
    Write("Wave", "data-longer-than-file", Patched(wav, 40, std::string("\xff\xff\x00\x00", 4)));
    std::string listed = wav;
    listed.insert(36, std::string("LIST\x04\x00\x00\x00info", 12));
    Write("Wave", "chunk-before-data", listed);
    std::string gsmFmt = wav.substr(0, 12) + std::string("fmt \x14\x00\x00\x00\x31\x00\x01\x00\x40\x1f\x00\x00"
                                                         "\x59\x06\x00\x00\x41\x00\x00\x00\x02\x00\x40\x01", 28);
    Write("Wave", "gsm-format", gsmFmt + wav.substr(36, 200));

    const std::string home = fuzz::FuzzHome();
    for (const unsigned ms : {40u, 400u}) {
        const std::string sound = testkit::MessageWavMs(ms);
        const std::string gsm = home + "/seed.gsm";
        if (echolet::WavToGsm(reinterpret_cast<const uint8_t*>(sound.data()), sound.size(), gsm) != 1)
            throw std::runtime_error("WavToGsm failed");
        const std::string file = ReadAll(gsm);
        Write("GsmFile", "message-" + std::to_string(ms) + "ms", file);
        // As the modem keeps it in page 0: shielded, the rest of the page unused.
        const auto shielded = echolet::ShieldFile(reinterpret_cast<const uint8_t*>(file.data()), file.size());
        if (ms == 40u) Write("GsmFile", "shielded-page-40ms", std::string(shielded.begin(), shielded.end()));
    }
}

void Hives() {
    registry::TRegKey root;
    bool created = false;
    registry::TRegKey& pellow = root.SubKey("SOFTWARE", created).SubKey("Norvale", created).SubKey("Pellow", created)
                                    .SubKey("Version 0.50", created);
    pellow.Value("LogFile").DataType = registry::TRegDataType::rdInteger;
    pellow.Value("LogFile").DWord = 1;
    pellow.Value("LogFileName").Data = "/home/me/Pellow.log";
    pellow.Value("").Data = "the default \"value\" \\ of the key";
    registry::TRegValue& dcb = pellow.Value("DCB");
    dcb.DataType = registry::TRegDataType::rdBinary;
    dcb.Data = std::string("\x1c\x00\x00\x00\x80\x25", 6);
    pellow.Value("Lines").Data = "one\r\ntwo\ttabbed";
    registry::TRegValue& odd = pellow.Value("Expand");
    odd.DataType = registry::TRegDataType::rdUnknown;
    odd.RawType = 2;
    odd.Data = std::string("%HOME%\0", 7);
    pellow.SubKey("Main", created).Value("Left").DataType = registry::TRegDataType::rdInteger;
    root.SubKey("Software", created).SubKey("Hollin", created).SubKey("Murmel", created).SubKey("Options", created)
        .Value("Port").Data = "COM2";
    Write("RegistryHive", "pellow-settings", registry::FormatHive(root, "HKEY_CURRENT_USER"));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: fuzz_corpus <fuzz folder of the tree>\n";
        return 2;
    }
    g_root = argv[1];
    std::filesystem::remove_all(g_root / "corpus");
    fuzz::FuzzHome();
    ReplyLines();
    Info3com();
    ElsaDirectory();
    BlockReceive();
    MurmelDownload();
    MurmelReplies();
    FaxFiles();
    ViewerFiles();
    DropBlocks();
    SoundFiles();
    Hives();
    return 0;
}
