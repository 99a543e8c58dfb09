#pragma once
// What the detection tests share: an application object for the reads to
// pump, the serial log in a file, a status sink that records, and the log
// lines with their date and time taken out.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "modem/CommClass.h"
#include "modem/StatusSink.h"
#include "platform/Serial.h"
#include "testkit/TestKit.h"

namespace detecttest {

// The main window's event loop stands behind every read; the port driver's
// polling timer runs in it.
inline void EnsureApp() {
    static int argc = 1;
    static char name[] = "Detect_test";
    static char* argv[] = {name, nullptr};
    if (!QCoreApplication::instance()) new QCoreApplication(argc, argv);
}

// Keeps every text the detection shows, in order.
class RecordingSink : public TStatusSink {
public:
    void SetPanelText(int Index, const std::string& Text) override { texts.emplace_back(Index, Text); }
    std::vector<std::pair<int, std::string>> texts;
};

// Registers a RecordingSink for its lifetime.
class ScopedRecordingSink {
public:
    ScopedRecordingSink() : previous_(SetStatusSink(&sink)) {}
    ~ScopedRecordingSink() { SetStatusSink(previous_); }
    ScopedRecordingSink(const ScopedRecordingSink&) = delete;
    ScopedRecordingSink& operator=(const ScopedRecordingSink&) = delete;
    RecordingSink sink;

private:
    TStatusSink* previous_;
};

// The serial log switched on into a file for the lifetime of the object.
class ScopedSerialLog {
public:
    explicit ScopedSerialLog(std::string Path) : path_(std::move(Path)) {
        LogTextFile = std::fopen(path_.c_str(), "wb");
        if (!LogTextFile) throw std::runtime_error("cannot write " + path_);
        LogFileOn = true;
    }
    ~ScopedSerialLog() {
        LogFileOn = false;
        std::fclose(LogTextFile);
        LogTextFile = nullptr;
    }
    ScopedSerialLog(const ScopedSerialLog&) = delete;
    ScopedSerialLog& operator=(const ScopedSerialLog&) = delete;

    // The log's lines; a stamped line "     <date> <time> COMn text" reads
    // "COMn text", every other line stays as written.
    std::vector<std::string> Lines() const {
        std::vector<std::string> lines;
        const std::string text = testkit::ReadFile(path_);
        std::size_t start = 0;
        for (std::size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
            lines.push_back(Unstamped(text.substr(start, end - start)));
        EXPECT_EQ(start, text.size()) << "the log ends inside a line";
        return lines;
    }

    // "COMn text" of a stamped line; any other line as it is.
    static std::string Unstamped(const std::string& Line) {
        if (Line.rfind("     ", 0) != 0 || Line.size() < 6 || Line[5] == ' ' || Line[5] == '#') return Line;
        for (std::size_t com = Line.find(" COM", 5); com != std::string::npos; com = Line.find(" COM", com + 1)) {
            std::size_t digits = com + 4;
            while (digits < Line.size() && Line[digits] >= '0' && Line[digits] <= '9') ++digits;
            if (digits > com + 4 && digits < Line.size() && Line[digits] == ' ') return Line.substr(com + 1);
        }
        return Line;
    }

private:
    std::string path_;
};

// The line settings the main window gives the channel before a detection.
inline void ConfigureAsMainWindow(TCommClass& Comm) {
    Comm.SetBaudRate(br57600);
    Comm.SetDataBits(db8BITS);
    Comm.SetParity(ptNONE);
    Comm.SetStopBits(sb1BITS);
    Comm.SetHwFlow(hfNONERTSON);
    Comm.SetSwFlow(sfNONE);
    Comm.SetEnableDTROnOpen(true);
    Comm.SetCheckLineStatus(false);
    Comm.SetInBufSize(2048);
    Comm.SetOutBufSize(2048);
    Comm.SetInputTimeout(200);
    Comm.SetOutputTimeout(500);
    Comm.SetPollingDelay(50);
}

// The log lines of one port that holds a modem: the test line, the open and
// close of the line check, and the init probe answered with OK (after the
// echo of the command while the modem's echo is on).
inline std::vector<std::string> InitBlock(int Port, bool Echo = true) {
    const std::string com = "COM" + std::to_string(Port) + " ";
    std::vector<std::string> lines = {"     ###Test if comm port" + std::to_string(Port) + " avaiable",
            com + "connected",
            com + "disconnected",
            "",
            "",
            "     ###Send Ini String",
            com + "connected",
            com + "<- \"ATE0<13><10>\""};
    if (Echo) lines.push_back(com + "-> \"ATE0\"");
    lines.push_back(com + "-> \"OK\"");
    return lines;
}

// One model query; the first after the init finds the port open.
inline std::vector<std::string> ModelBlock(int Port, const std::string& Reply, bool First) {
    const std::string com = "COM" + std::to_string(Port) + " ";
    std::vector<std::string> lines = {"", "     ###Get Modem ID"};
    if (First) lines.push_back(com + "IGNORED: CONNECT (already connected)");
    lines.insert(lines.end(), {com + "<- \"AT#MDL?\"", com + "-> \"" + Reply + "\"", com + "-> \"OK\""});
    return lines;
}

inline std::vector<std::string> CloseBlock(int Port) { return {"COM" + std::to_string(Port) + " disconnected", ""}; }

inline std::vector<std::string> MissingBlock(int Port) {
    return {"     ###Test if comm port" + std::to_string(Port) + " avaiable",
            "COM" + std::to_string(Port) + " ERROR: CAN NOT CONNECT TO COM PORT"};
}

inline std::vector<std::string> Join(std::initializer_list<std::vector<std::string>> Parts) {
    std::vector<std::string> all;
    for (const auto& p : Parts) all.insert(all.end(), p.begin(), p.end());
    return all;
}

// Ports COM1 to COM4 as FakePorts: a port without a fake cannot be opened.
// A fake modem answers each command line from its table (unknown commands
// with ERROR) and echoes until it is sent ATE0, as a modem fresh from reset.
class FakePortsTest : public ::testing::Test {
protected:
    void SetUp() override {
        EnsureApp();
        ConfigureAsMainWindow(comm);
    }

    serial::FakePort& Port(int N) {
        auto& port = ports[N];
        if (!port) port = std::make_shared<serial::FakePort>();
        return *port;
    }
    serial::FakePort& Modem(int N, std::map<std::string, std::string> Replies) {
        serial::FakePort& port = Port(N);
        auto echo = std::make_shared<bool>(true);
        port.SetResponder([Replies = std::move(Replies), echo](const std::string& Line) -> std::string {
            if (Line.empty()) return "";
            std::string out = *echo ? Line + "\r\n" : "";
            if (Line == "ATE0") *echo = false;
            const auto reply = Replies.find(Line);
            return out + (reply == Replies.end() ? "\r\nERROR\r\n" : reply->second);
        });
        return port;
    }
    serial::FakePort& Modem3com(int N) {
        return Modem(N, {{"ATE0", "\r\nOK\r\n"},
                         {"AT#MDL?", "\r\nU.S. Robotics 56K Message\r\n\r\nOK\r\n"}});
    }
    serial::FakePort& ModemOther(int N) {
        return Modem(N, {{"ATE0", "\r\nOK\r\n"}, {"AT#MDL?", "\r\nSomething Else\r\n\r\nOK\r\n"}});
    }
    std::string Detect(int Port) {
        std::string result = "stale";
        comm.DetectModem(Port, result);
        return result;
    }

    testkit::TempHome home;
    ScopedSerialLog log{home.Path() + "/serial.log"};
    ScopedRecordingSink status;
    std::map<int, std::shared_ptr<serial::FakePort>> ports;
    // Every name the channel asked to open, in order.
    std::vector<std::string> opened;
    serial::ScopedPortFactory factory{[this](const std::string& Name) -> serial::PortPtr {
        opened.push_back(Name);
        for (const auto& [n, port] : ports)
            if (Name == "\\\\.\\COM" + std::to_string(n)) return port;
        return nullptr;
    }};
    TCommClass comm;
};

}  // namespace detecttest
