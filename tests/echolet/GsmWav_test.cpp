// Echolet's GSM and WAV conversions: the frame counts, the WAV checks, and
// sox, the outside reference, reading our WAV files and decoding our .gsm
// files to the same samples as ours.
#include "echolet/GsmWav.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "echolet/EcholetSound.h"
#include "murmel/GsmRepack.h"
#include "platform/App.h"
#include "testkit/TestKit.h"

extern "C" {
#include <gsm.h>
}

namespace echolet {
namespace {

using Bytes = std::vector<uint8_t>;

// Frames frames of speech-like sound, coded by libgsm, and the end pair.
Bytes GsmData(int Frames) {
    gsm coder = gsm_create();
    Bytes out;
    long n = 0;
    for (int f = 0; f < Frames; ++f) {
        gsm_signal pcm[160];
        for (auto& s : pcm) {
            const double t = static_cast<double>(n++) / 8000.0;
            s = static_cast<gsm_signal>(5000 * std::sin(2 * M_PI * 440 * t) + 2000 * std::sin(2 * M_PI * 1230 * t));
        }
        gsm_byte frame[33];
        gsm_encode(coder, pcm, frame);
        out.insert(out.end(), frame, frame + 33);
    }
    gsm_destroy(coder);
    out.push_back(0x10);
    out.push_back(0x03);
    return out;
}

uint32_t Long(const std::string& s, std::size_t at) {
    return static_cast<uint32_t>(static_cast<uint8_t>(s[at]) | static_cast<uint8_t>(s[at + 1]) << 8 |
                                 static_cast<uint8_t>(s[at + 2]) << 16 | static_cast<uint8_t>(s[at + 3]) << 24);
}

std::string Le32(uint32_t v) {
    std::string s(4, '\0');
    for (int i = 0; i < 4; ++i) s[static_cast<std::size_t>(i)] = static_cast<char>(v >> (8 * i));
    return s;
}
std::string Le16(uint16_t v) { return std::string{static_cast<char>(v & 0xFF), static_cast<char>(v >> 8)}; }

std::string Chunk(const std::string& Id, const std::string& Body) { return Id + Le32(static_cast<uint32_t>(Body.size())) + Body; }

std::string Format(uint16_t Tag, uint16_t Channels, uint32_t Rate, uint32_t ByteRate, uint16_t Align, uint16_t Bits) {
    return Le16(Tag) + Le16(Channels) + Le32(Rate) + Le32(ByteRate) + Le16(Align) + Le16(Bits);
}
const std::string kMessageFormat = Format(1, 1, 8000, 16000, 2, 16);

std::string Riff(const std::string& Chunks) { return "RIFF" + Le32(static_cast<uint32_t>(Chunks.size() + 4)) + "WAVE" + Chunks; }

std::string Samples(int Count) {
    std::string s;
    for (int i = 0; i < Count; ++i) s += Le16(static_cast<uint16_t>(static_cast<int16_t>(8000 * std::sin(i * 0.07))));
    return s;
}

// What a shell command prints.
std::string Shell(const std::string& Command) {
    std::string out;
    FILE* p = ::popen((Command + " 2>&1").c_str(), "r");
    if (!p) return "<cannot run>";
    char buf[4096];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
    ::pclose(p);
    return out;
}

class GsmWavTest : public ::testing::Test {
protected:
    void SetUp() override { app::SetTitle("Echolet"); }
    std::string Path(const std::string& Name) const { return home.Path() + "/" + Name; }
    // WavToGsm of a WAV image; the prompts it gave.
    int ToGsm(const std::string& Wav, const std::string& Out) {
        return WavToGsm(reinterpret_cast<const uint8_t*>(Wav.data()), Wav.size(), Path(Out));
    }
    int ToWav(Bytes Data, const std::string& Out) { return GsmToWav(Data.data(), Data.size(), Path(Out)); }

    testkit::TempHome home;
    testkit::ScopedScriptedUi ui;
    testkit::ScopedEnv device{"PELLOW_AUDIO_DEVICE", "null"};
};

TEST_F(GsmWavTest, OneBlockPerFramePairAndTheLastUnpairedFrameDropped) {
    const struct {
        std::size_t length;
        int result;
        uint32_t sampleBytes;
    } cases[] = {{68, 1, 640}, {101, 1, 640}, {134, 1, 1280}, {67, 0, 0}, {35, 0, 0}, {2, 0, 0}, {0, 0, 0}};
    for (const auto& c : cases) {
        Bytes data = GsmData(4);
        data.resize(c.length);
        const std::string out = "len" + std::to_string(c.length) + ".wav";
        ASSERT_EQ(ToWav(data, out), c.result) << c.length;
        if (!c.result) {
            EXPECT_FALSE(std::filesystem::exists(Path(out))) << c.length;
            continue;
        }
        const std::string wav = testkit::ReadFile(Path(out));
        ASSERT_EQ(wav.size(), 44u + c.sampleBytes) << c.length;
        EXPECT_EQ(wav.substr(0, 4), "RIFF");
        EXPECT_EQ(Long(wav, 4), c.sampleBytes + 36);
        EXPECT_EQ(wav.substr(8, 8), "WAVEfmt ");
        EXPECT_EQ(Long(wav, 16), 16u);
        EXPECT_EQ(wav.substr(20, 16), kMessageFormat);
        EXPECT_EQ(wav.substr(36, 4), "data");
        EXPECT_EQ(Long(wav, 40), c.sampleBytes);
    }
    EXPECT_TRUE(ui->Prompts().empty());
}

TEST_F(GsmWavTest, SoxReadsOurWavFilesAndDecodesOurGsmFilesToOurSamples) {
    if (Shell("command -v sox").empty()) GTEST_SKIP() << "sox is missing";
    for (int frames : {2, 50, 151}) {
        const Bytes data = GsmData(frames);
        const std::string gsm = Path("m" + std::to_string(frames) + ".gsm");
        testkit::WriteFile(gsm, std::string(data.begin(), data.end()));
        ASSERT_EQ(ToWav(data, "m.wav"), 1);
        EXPECT_EQ(Shell("sox --i -r '" + Path("m.wav") + "'"), "8000\n");
        EXPECT_EQ(Shell("sox --i -c '" + Path("m.wav") + "'"), "1\n");
        EXPECT_EQ(Shell("sox --i -b '" + Path("m.wav") + "'"), "16\n");
        EXPECT_EQ(Shell("sox --i -e '" + Path("m.wav") + "'"), "Signed Integer PCM\n");
        EXPECT_EQ(Shell("sox --i -s '" + Path("m.wav") + "'"), std::to_string(frames / 2 * 320) + "\n");
        const std::string ours = testkit::ReadFile(Path("m.wav")).substr(44);
        ASSERT_EQ(ours.size(), static_cast<std::size_t>(frames / 2 * 640));
        // sox's own reading of our WAV file gives our samples.
        Shell("sox '" + Path("m.wav") + "' -t raw '" + Path("wav.raw") + "'");
        EXPECT_EQ(testkit::ReadFile(Path("wav.raw")), ours) << frames;
        // sox's GSM decoder over the .gsm file (it takes the end pair for a
        // broken last frame) gives our samples for the frames we convert.
        Shell("sox -t gsm '" + gsm + "' -t raw -e signed -b 16 '" + Path("gsm.raw") + "'");
        const std::string theirs = testkit::ReadFile(Path("gsm.raw"));
        ASSERT_GE(theirs.size(), ours.size()) << frames;
        EXPECT_EQ(theirs.substr(0, ours.size()), ours) << frames;
    }
}

TEST_F(GsmWavTest, BackToGsmKeepsTheFrameCountRoundedDownToEven) {
    for (int frames : {2, 7, 100, 101}) {
        ASSERT_EQ(ToWav(GsmData(frames), "r.wav"), 1);
        const std::string wav = testkit::ReadFile(Path("r.wav"));
        ASSERT_EQ(ToGsm(wav, "r.gsm"), 1) << frames;
        const std::string gsm = testkit::ReadFile(Path("r.gsm"));
        ASSERT_EQ(gsm.size(), static_cast<std::size_t>(frames / 2 * 2 * 33 + 2)) << frames;
        EXPECT_EQ(gsm.substr(gsm.size() - 2), "\x10\x03");
        for (std::size_t f = 0; f + 2 < gsm.size(); f += 33) EXPECT_EQ(static_cast<uint8_t>(gsm[f]) >> 4, 0xD) << f;
        // sox decodes the frames we wrote as libgsm would.
        if (!Shell("command -v sox").empty()) {
            Shell("sox -t gsm '" + Path("r.gsm") + "' -t raw -e signed -b 16 '" + Path("r.raw") + "'");
            EXPECT_GE(testkit::ReadFile(Path("r.raw")).size(), static_cast<std::size_t>(frames / 2 * 640));
        }
    }
}

TEST_F(GsmWavTest, WavFilesThatAreAcceptedAndTheirSamplesOnly) {
    const std::string samples = Samples(3200);
    ASSERT_EQ(ToGsm(Riff(Chunk("fmt ", kMessageFormat) + Chunk("data", samples)), "plain.gsm"), 1);
    const std::string plain = testkit::ReadFile(Path("plain.gsm"));
    ASSERT_EQ(plain.size(), 10u * 66 + 2);
    const struct {
        const char* name;
        std::string wav;
    } cases[] = {
        {"an 18-byte fmt chunk", Riff(Chunk("fmt ", kMessageFormat + Le16(0)) + Chunk("data", samples))},
        {"a LIST chunk before data",
         Riff(Chunk("fmt ", kMessageFormat) + Chunk("LIST", "INFOISFT" + Le32(6) + std::string("sox 1\0", 6)) + Chunk("data", samples))},
        {"an odd chunk with its pad byte before data",
         Riff(Chunk("fmt ", kMessageFormat) + Chunk("note", "abc") + std::string(1, '\0') + Chunk("data", samples))},
        {"a chunk before fmt", Riff(Chunk("JUNK", std::string(28, '\0')) + Chunk("fmt ", kMessageFormat) + Chunk("data", samples))},
        {"bytes behind the data chunk", Riff(Chunk("fmt ", kMessageFormat) + Chunk("data", samples) + Chunk("LIST", "xxxx"))},
    };
    for (const auto& c : cases) {
        ASSERT_EQ(ToGsm(c.wav, "c.gsm"), 1) << c.name;
        EXPECT_EQ(testkit::ReadFile(Path("c.gsm")), plain) << c.name;
    }
    EXPECT_TRUE(ui->Prompts().empty());
}

TEST_F(GsmWavTest, WavFilesOfAnotherFormatOrBrokenAreRefusedWithTheMessage) {
    const std::string samples = Samples(640);
    std::string pastTheEnd = Riff(Chunk("fmt ", kMessageFormat) + Chunk("data", samples));
    pastTheEnd.resize(pastTheEnd.size() - 1);
    const struct {
        const char* name;
        std::string wav;
    } cases[] = {
        {"stereo", Riff(Chunk("fmt ", Format(1, 2, 8000, 32000, 4, 16)) + Chunk("data", samples))},
        {"11025 Hz", Riff(Chunk("fmt ", Format(1, 1, 11025, 22050, 2, 16)) + Chunk("data", samples))},
        {"8 bit", Riff(Chunk("fmt ", Format(1, 1, 8000, 8000, 1, 8)) + Chunk("data", samples))},
        {"a wrong byte rate", Riff(Chunk("fmt ", Format(1, 1, 8000, 16001, 2, 16)) + Chunk("data", samples))},
        {"not PCM", Riff(Chunk("fmt ", Format(3, 1, 8000, 16000, 2, 16)) + Chunk("data", samples))},
        {"a data chunk running past the end", pastTheEnd},
        {"no data chunk", Riff(Chunk("fmt ", kMessageFormat))},
        {"data before fmt", Riff(Chunk("data", samples) + Chunk("fmt ", kMessageFormat))},
        {"no fmt chunk", Riff(Chunk("data", samples))},
        {"a fmt chunk cut short", Riff(Chunk("fmt ", kMessageFormat.substr(0, 14)))},
        {"not RIFF", "RIFX" + Riff("").substr(4)},
        {"not WAVE", "RIFF" + Le32(4) + "AVI "},
        {"12 bytes", "RIFF" + Le32(4) + "WAVE"},
        {"5 bytes", "RIFF\0"},
        {"nothing", ""},
        {"a chunk size that wraps", Riff(Chunk("fmt ", kMessageFormat) + "LIST" + Le32(0xFFFFFFF8u) + Chunk("data", samples))},
    };
    for (const auto& c : cases) {
        ui->ClearPrompts();
        // The image in a buffer of its own size, so that a read past it is seen.
        const Bytes exact(c.wav.begin(), c.wav.end());
        EXPECT_EQ(WavToGsm(exact.data(), exact.size(), Path("bad.gsm")), 0) << c.name;
        const auto prompts = ui->Prompts();
        ASSERT_EQ(prompts.size(), 1u) << c.name;
        EXPECT_EQ(prompts[0].kind, "error") << c.name;
        EXPECT_EQ(prompts[0].caption, "Echolet");
        EXPECT_EQ(prompts[0].text, "Wav-File must have 1 Cannel, 8000 Hz, 16 Bit") << c.name;
        EXPECT_FALSE(std::filesystem::exists(Path("bad.gsm"))) << c.name;
    }
}

TEST_F(GsmWavTest, FewerSamplesThanOneBlockGiveNoFile) {
    for (int count : {0, 1, 319}) {
        EXPECT_EQ(ToGsm(Riff(Chunk("fmt ", kMessageFormat) + Chunk("data", Samples(count))), "few.gsm"), 0) << count;
        EXPECT_FALSE(std::filesystem::exists(Path("few.gsm"))) << count;
    }
    EXPECT_TRUE(ui->Prompts().empty());
    ASSERT_EQ(ToGsm(Riff(Chunk("fmt ", kMessageFormat) + Chunk("data", Samples(639))), "one.gsm"), 1);
    EXPECT_EQ(testkit::ReadFile(Path("one.gsm")).size(), 68u);
}

TEST_F(GsmWavTest, AnAllOnesBlockGivesTwoFramesBeginning0xDF) {
    const Bytes block(65, 0xFF);
    Bytes pair(66, 0);
    MsGsmToGsmPair(block.data(), pair.data());
    EXPECT_EQ(pair[0], 0xDF);
    EXPECT_EQ(pair[33], 0xDF);
    // Two frames of 0xD0 and zeros are a block of zeros and come back as they were.
    Bytes frames(66, 0);
    frames[0] = frames[33] = 0xD0;
    Bytes zeros(65, 0xAA);
    GsmPairToMsGsm(frames.data(), zeros.data());
    EXPECT_EQ(zeros, Bytes(65, 0));
    MsGsmToGsmPair(zeros.data(), pair.data());
    EXPECT_EQ(pair, frames);
}

TEST_F(GsmWavTest, PlayingWithoutAnOutputNameTakesAsLongAsTheSound) {
    Bytes data = GsmData(50);  // 25 blocks: 0.4 s after the unpaired frame goes... 50 frames = 1 s
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(GsmToWav(data.data(), data.size(), ""), 1);
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_GE(took, std::chrono::milliseconds(950));
    EXPECT_LT(took, std::chrono::milliseconds(3000));
    EXPECT_TRUE(ui->Prompts().empty());
}

TEST_F(GsmWavTest, NoSoundDeviceGivesAClearMessageAtOnce) {
    testkit::ScopedEnv missing("PELLOW_AUDIO_DEVICE", "no-such-device");
    Bytes data = GsmData(500);  // ten seconds
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(GsmToWav(data.data(), data.size(), ""), 1);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(2000));
    const auto prompts = ui->Prompts();
    ASSERT_EQ(prompts.size(), 1u);
    EXPECT_EQ(prompts[0].kind, "warning");
    EXPECT_EQ(prompts[0].text, "The sound could not be played: no sound device could be opened.");
    // What is no WAV at all is not played and not reported.
    ui->ClearPrompts();
    EXPECT_FALSE(PlayWaveImage("not a sound"));
    EXPECT_TRUE(ui->Prompts().empty());
}

}  // namespace
}  // namespace echolet
