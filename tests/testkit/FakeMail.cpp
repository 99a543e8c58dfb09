#include "testkit/FakeMail.h"

#include <sys/stat.h>

#include <QJsonDocument>
#include <QProcess>
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <sstream>

#include "testkit/TestKit.h"

namespace testkit {
namespace {

// One argument a line; an argument's own line breaks as \n.
std::vector<std::vector<std::string>> ReadRuns(const std::string& Folder, const std::string& Prefix) {
    std::vector<std::string> files;
    for (const auto& e : std::filesystem::directory_iterator(Folder)) {
        const std::string name = e.path().filename().string();
        if (name.starts_with(Prefix)) files.push_back(e.path().string());
    }
    std::sort(files.begin(), files.end());
    std::vector<std::vector<std::string>> runs;
    for (const auto& f : files) {
        std::istringstream in(ReadFile(f));
        std::vector<std::string> args;
        for (std::string line; std::getline(in, line);) args.push_back(line);
        runs.push_back(args);
    }
    return runs;
}

// Records "$@" one a line into <folder>/<prefix><count>, numbered in order.
std::string RecordArgs(const std::string& Folder, const std::string& Prefix) {
    return "n=$(ls '" + Folder + "' | grep -c '^" + Prefix + "')\n"
           "n=$(printf '%04d' \"$n\")\n"
           "for a in \"$@\"; do printf '%s\\n' \"$a\"; done > '" + Folder + "/" + Prefix + "'\"$n\"\n";
}

void WriteScript(const std::string& Path, const std::string& Body) {
    WriteFile(Path, "#!/bin/sh\n" + Body);
    chmod(Path.c_str(), 0755);
}

}  // namespace

FakeSendmail::FakeSendmail(const std::string& Folder) : folder_(Folder), program_(Folder + "/sendmail") {
    std::filesystem::create_directories(folder_);
    WriteScript(program_, RecordArgs(folder_, "args.") +
                              "cat > '" + folder_ + "/mail.'\"$n\"\n"
                              "[ -f '" + folder_ + "/exit' ] && exit \"$(cat '" + folder_ + "/exit')\"\n"
                              "exit 0\n");
    if (const char* old = std::getenv("PELLOW_SENDMAIL")) {
        old_ = old;
        hadOld_ = true;
    }
    setenv("PELLOW_SENDMAIL", program_.c_str(), 1);
}

FakeSendmail::~FakeSendmail() {
    if (hadOld_) setenv("PELLOW_SENDMAIL", old_.c_str(), 1);
    else unsetenv("PELLOW_SENDMAIL");
}

void FakeSendmail::ExitWith(int Status) { WriteFile(folder_ + "/exit", std::to_string(Status) + "\n"); }

std::vector<std::string> FakeSendmail::Messages() const {
    std::vector<std::string> files;
    for (const auto& e : std::filesystem::directory_iterator(folder_))
        if (e.path().filename().string().starts_with("mail.")) files.push_back(e.path().string());
    std::sort(files.begin(), files.end());
    return files;
}

std::vector<std::vector<std::string>> FakeSendmail::Arguments() const { return ReadRuns(folder_, "args."); }

void WriteFakeComposer(const std::string& Folder, int Status, double Seconds) {
    std::filesystem::create_directories(Folder);
    WriteScript(Folder + "/xdg-email", RecordArgs(Folder, "compose.") + (Seconds > 0 ? "sleep " + std::to_string(Seconds) + "\n" : "") +
                                           "exit " + std::to_string(Status) + "\n");
}

std::vector<std::vector<std::string>> ComposerRuns(const std::string& Folder) { return ReadRuns(Folder, "compose."); }

QJsonObject MimeSummary(const std::string& File) {
    QProcess python;
    python.start("/usr/bin/python3", {QString(PELLOW_SOURCE_DIR) + "/tests/testkit/mime_summary.py", QString::fromStdString(File)});
    if (!python.waitForFinished(30000) || python.exitCode() != 0) return {};
    return QJsonDocument::fromJson(python.readAllStandardOutput()).object();
}

}  // namespace testkit
