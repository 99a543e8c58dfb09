// The download worker on a scripted port: the line settings and the port
// time-outs exactly, one write call for each command, and the status
// report's ends (a line of 10 characters, 256 records, a line too long for
// its record).
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <map>
#include <memory>
#include <mutex>

#include "murmel/ModemDialogue.h"
#include "murmel/ReadThread.h"
#include "platform/Serial.h"
#include "tests/murmel/WorkerKit.h"

namespace {

using namespace murmel;

// A status line of a fax with its checksum.
std::string FaxLine(int n) {
    char head[80];
    std::snprintf(head, sizeof head, "%03d,001,001,252,000,003,004,005,%-20s,004,000,000,", n, "");
    unsigned sum = 0;
    for (const char* p = head; *p; ++p) sum += static_cast<uint8_t>(*p);
    char line[96];
    std::snprintf(line, sizeof line, "%s%03u", head, sum % 256);
    return line;
}

// Plays the modem: each command line gets its reply.
class ScriptedModem {
public:
    std::map<int, std::string> status;  // the status line of n; missing: past the end (ERROR)
    std::string Reply(const std::string& line) {
        if (line == "ATE0") return "ATE0\r\n\r\nOK\r\n";
        if (line == "AT&F1&B1E0Q0V1" || line == "AT+MCS=1" || line == "AT+MCC" || line == "AT+MEM") return "\r\nOK\r\n";
        if (line == "ATI4" || line == "ATI7" || line == "AT+MSI") return "\r\nsome information\r\nOK\r\n";
        if (line == "AT+MCC?") return "\r\n255,255,255,255\r\nOK\r\n";
        if (line.rfind("AT+MSR=", 0) == 0) {
            const auto it = status.find(std::stoi(line.substr(7)));
            return it == status.end() ? "\r\nERROR\r\n" : "\r\n" + it->second + "\r\nOK\r\n";
        }
        return "\r\nERROR\r\n";
    }
};

// A port that keeps every write call and every time-out set.
class RecordingPort : public serial::Port {
public:
    explicit RecordingPort(ScriptedModem& modem) {
        fake_.SetResponder([&modem](const std::string& line) { return modem.Reply(line); });
    }
    bool ApplySettings(const serial::LineSettings& s) override {
        std::lock_guard<std::mutex> g(m_);
        settings.push_back(s);
        return fake_.ApplySettings(s);
    }
    bool SetupQueues(uint32_t in, uint32_t out) override { return fake_.SetupQueues(in, out); }
    bool SetTimeouts(const serial::Timeouts& t) override {
        std::lock_guard<std::mutex> g(m_);
        timeouts.push_back(t);
        return fake_.SetTimeouts(t);
    }
    bool Purge(bool in, bool out) override { return fake_.Purge(in, out); }
    bool QueueCounts(uint32_t& in, uint32_t& out) override { return fake_.QueueCounts(in, out); }
    bool ModemStatus(uint8_t& lines) override { return fake_.ModemStatus(lines); }
    bool Read(void* b, std::size_t n, std::size_t& got) override { return fake_.Read(b, n, got); }
    bool Write(const void* d, std::size_t n, std::size_t& written) override {
        {
            std::lock_guard<std::mutex> g(m_);
            writes.emplace_back(static_cast<const char*>(d), n);
        }
        return fake_.Write(d, n, written);
    }
    bool WaitReadable(int ms) override { return fake_.WaitReadable(ms); }
    bool WaitWritable(int ms) override { return fake_.WaitWritable(ms); }
    bool Lost() override { return fake_.Lost(); }
    void Close() override {
        closed = true;
        fake_.Close();
    }

    std::vector<std::string> writes;
    std::vector<serial::Timeouts> timeouts;
    std::vector<serial::LineSettings> settings;
    bool closed = false;

private:
    std::mutex m_;
    serial::FakePort fake_;
};

class ReadThreadPort : public workerkit::WorkerTest {
protected:
    int Run() {
        auto port = std::make_shared<RecordingPort>(modem);
        std::string opened;
        serial::ScopedPortFactory factory([&](const std::string& name) {
            opened = name;
            return port;
        });
        const int code = RunWorker();
        last = port;
        openedName = opened;
        return code;
    }
    ScriptedModem modem;
    std::shared_ptr<RecordingPort> last;
    std::string openedName;
};

TEST_F(ReadThreadPort, LineSettingsTimeoutsAndOneWriteForEachCommand) {
    Timeouts() = WorkerTimeouts();  // the real values
    modem.status[0] = "000,012,001,000,000,000";
    modem.status[1] =
        "001,002,001,252,000,003,004,005,                    ,004,000,000,";  // completed below
    {
        std::string& l = modem.status[1];
        unsigned sum = 0;
        for (char c : l) sum += static_cast<uint8_t>(c);
        char cs[8];
        std::snprintf(cs, sizeof cs, "%03u", sum % 256);
        l += cs;
    }
    WriteProfileString(kOptions, "Port", "/dev/ttyUSB7");
    WriteProfileString(kOptions, "Baudrate", "57600x");
    WriteProfileString(kModem, "Identstring", "002,001,003,004,005,");
    WriteProfileInt(kModem, "Savedmsg", 1);
    WriteProfileFlag(kOptions, "Autodelete", true);
    EXPECT_EQ(Run(), NoError);
    EXPECT_EQ(openedName, "/dev/ttyUSB7");
    ASSERT_EQ(last->settings.size(), 1u);
    EXPECT_EQ(last->settings[0].baudRate, 57600u);
    EXPECT_EQ(last->settings[0].dataBits, 8);
    EXPECT_EQ(last->settings[0].parity, serial::Parity::None);
    EXPECT_EQ(last->settings[0].stopBits, serial::StopBits::One);
    EXPECT_FALSE(last->settings[0].ctsOutputFlow);
    EXPECT_FALSE(last->settings[0].xonXoffOutput);
    ASSERT_EQ(last->timeouts.size(), 2u);
    EXPECT_EQ(last->timeouts[0], (serial::Timeouts{600, 16, 1600, 10, 1000}));
    EXPECT_EQ(last->timeouts[1], (serial::Timeouts{30000, 30000, 30000, 10, 1000}));
    const std::vector<std::string> expected = {
        "ATE0\r\n",     "AT&F1&B1E0Q0V1\r\n", "AT+MCS=1\r\n", "ATI4\r\n",     "ATI7\r\n",
        "AT+MSI\r\n",   "AT+MCC?\r\n",        "AT+MSR=0\r\n", "AT+MSR=1\r\n", "AT+MSR=2\r\n",
        "AT+MCC\r\n",   "AT+MEM\r\n",
    };
    EXPECT_EQ(last->writes, expected);
    EXPECT_TRUE(last->closed);
}

TEST_F(ReadThreadPort, TheReportEndsAtALineOf10CharactersOrAfter256Records) {
    modem.status[0] = "12345678";  // 10 with its CR LF: the end, and no record at all
    EXPECT_EQ(Run(), ErrorModem);
    EXPECT_EQ(last->writes.back(), "AT+MSR=0\r\n");

    modem.status[0] = "000,007,0";  // 11: a record
    EXPECT_EQ(Run(), NoError);
    EXPECT_EQ(last->writes.back(), "AT+MSR=1\r\n");
    EXPECT_EQ(Posts()[Posts().size() - 2], (workerkit::Posted{WM_NEWMESSAGES, 0, 256 * 7}));

    modem.status[0] = "000,009,000,000,255,000";
    for (int n = 1; n <= 255; ++n) modem.status[n] = FaxLine(n);
    EXPECT_EQ(Run(), NoError);
    EXPECT_EQ(last->writes.back(), "AT+MSR=255\r\n");
    EXPECT_EQ(Int(kModem, "Savedmsgfax"), 255);
}

TEST_F(ReadThreadPort, ALineTooLongForItsRecordIsCutToIt) {
    modem.status[0] = "000,021,000,000,000,000," + std::string(120, '9');
    testkit::WriteFile(out + "/Debug.txt", "");
    InitDebugSwitch();
    EXPECT_EQ(Run(), NoError);
    EXPECT_EQ(Posts()[Posts().size() - 2], (workerkit::Posted{WM_NEWMESSAGES, 0, 256 * 21}));
    const std::string log = testkit::ReadFile(out + "/Debug.txt");
    EXPECT_NE(log.find("---   Statusstring 0: 000,021,000,000,000,000," + std::string(71 - 24, '9') + "\r\n"),
              std::string::npos)
        << log;
}

TEST_F(ReadThreadPort, AModemThatNeverEndsItsLineIsNotReadForEver) {
    modem.status[0] = std::string(10000, '0');
    EXPECT_EQ(Run(), ErrorModem);
}

}  // namespace
