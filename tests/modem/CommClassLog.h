#pragma once
// The serial log of a test: a fresh log file in a private state directory,
// and the log read back with each stamp (date and time of the user's formats)
// checked and replaced by "<stamp>", so whole logs compare byte for byte.
// Also the message of the modem error an exchange raised.
#include <cstdio>
#include <functional>
#include <set>
#include <string>

#include "modem/CommClass.h"
#include "platform/Clock.h"
#include "testkit/TestKit.h"

namespace commtest {

class SerialLog {
public:
    SerialLog() : path_(home_.Path() + "/Pellow.log"), start_(Now()) {
        LogTextFile = std::fopen(path_.c_str(), "wb");
        LogFileOn = LogTextFile != nullptr;
    }
    ~SerialLog() {
        if (LogTextFile) std::fclose(LogTextFile);
        LogTextFile = nullptr;
        LogFileOn = false;
    }
    SerialLog(const SerialLog&) = delete;
    SerialLog& operator=(const SerialLog&) = delete;

    const std::string& Path() const { return path_; }
    const std::string& Home() const { return home_.Path(); }
    std::string Raw() const { return testkit::ReadFile(path_); }

    // The log with every stamp that a moment of this test can have replaced.
    std::string Text() const {
        std::set<std::string> stamps;
        const TDateTime end = Now();
        for (TDateTime t = start_ - 2.0 / 86400; t <= end + 2.0 / 86400; t += 0.5 / 86400)
            stamps.insert(DateToStr(t) + " " + TimeToStr(t));
        std::string out;
        const std::string raw = Raw();
        std::size_t pos = 0;
        while (pos < raw.size()) {
            std::size_t end_ = raw.find("\r\n", pos);
            if (end_ == std::string::npos) end_ = raw.size();
            std::string line = raw.substr(pos, end_ - pos);
            for (const std::string& s : stamps) {
                if (line.compare(0, 5 + s.size() + 4, "     " + s + " COM") == 0) {
                    line = "     <stamp>" + line.substr(5 + s.size());
                    break;
                }
            }
            out += line;
            if (end_ < raw.size()) out += "\r\n";
            pos = end_ + 2;
        }
        return out;
    }

private:
    testkit::TempHome home_;
    std::string path_;
    TDateTime start_;
};

// One stamped line of port n as it stands after Text().
inline std::string Entry(const std::string& text, int port = 2) {
    return "     <stamp> COM" + std::to_string(port) + " " + text + "\r\n";
}

// The message of the EModemClass that Body raises, or "(nothing raised)".
inline std::string ModemMessage(const std::function<void()>& body) {
    try {
        body();
    } catch (const EModemClass& e) {
        return e.what();
    }
    return "(nothing raised)";
}

}  // namespace commtest
