#pragma once
// Starts the built modemsim for a test and ends it again.
#include <sys/types.h>

#include <string>
#include <vector>

namespace testkit {

// The link that names port COMn in the current state directory:
// $PELLOW_HOME/ports/COMn.
std::string PortLink(int Port);

class ModemSim {
public:
    // Starts modemsim with "--link Link", "--transcript <Link>.transcript"
    // (unless Args name a transcript of their own) and Args, and waits until
    // the link names the simulator's line. An older link at Link is removed
    // first. Raises std::runtime_error when the simulator ends or the link
    // does not come within 10 s.
    explicit ModemSim(std::string Link, std::vector<std::string> Args = {});
    // Stops the simulator when it still runs.
    ~ModemSim();
    ModemSim(const ModemSim&) = delete;
    ModemSim& operator=(const ModemSim&) = delete;

    // SIGTERM and wait for the end (SIGKILL after 5 s). The exit status, or
    // 128 + the signal that ended it; the status of the earlier end when it
    // has already ended.
    int Stop();
    // SIGKILL and wait: the line vanishes under its clients, the link stays
    // behind pointing nowhere.
    void Kill();
    bool Running() const { return pid_ > 0; }
    pid_t Pid() const { return pid_; }

    const std::string& Link() const { return link_; }
    const std::string& TranscriptPath() const { return transcript_; }
    // The transcript as it stands: the received lines, in order.
    std::vector<std::string> TranscriptLines() const;

private:
    int Reap();

    std::string link_;
    std::string transcript_;
    pid_t pid_ = -1;
    int status_ = -1;
};

}  // namespace testkit
