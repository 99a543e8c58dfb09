#pragma once
// Stand-ins for the mail programs: a sendmail that keeps every message it is
// given, and an xdg-email that records its arguments, both scripts in a
// folder of the test; and the reading of a kept message by Python's email
// package.
#include <QJsonObject>
#include <string>
#include <vector>

namespace testkit {

class FakeSendmail {
public:
    // Writes the script into Folder and points PELLOW_SENDMAIL at it until
    // destroyed.
    explicit FakeSendmail(const std::string& Folder);
    ~FakeSendmail();
    FakeSendmail(const FakeSendmail&) = delete;
    FakeSendmail& operator=(const FakeSendmail&) = delete;

    const std::string& Program() const { return program_; }
    // The exit status of the next runs (0 at first).
    void ExitWith(int Status);
    // The messages received so far, oldest first, as files, and the
    // arguments of each run.
    std::vector<std::string> Messages() const;
    std::vector<std::vector<std::string>> Arguments() const;

private:
    std::string folder_;
    std::string program_;
    std::string old_;
    bool hadOld_ = false;
};

// An xdg-email in Folder (put Folder first on PATH to use it) that records
// each run's arguments and exits with Status, after Seconds of sleep.
void WriteFakeComposer(const std::string& Folder, int Status, double Seconds = 0);
std::vector<std::vector<std::string>> ComposerRuns(const std::string& Folder);

// The message in File as Python's email package reads it (see
// mime_summary.py); an empty object when the parser could not run.
QJsonObject MimeSummary(const std::string& File);

}  // namespace testkit
