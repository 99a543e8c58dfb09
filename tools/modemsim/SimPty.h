#pragma once
// The simulator's line: a pseudo-terminal whose slave end a symbolic link
// names. The simulator keeps the slave open itself, so the line stays usable
// while clients open and close it, and a client closing it never hangs it up.
// This is the only place where the simulator touches devices and links.
#include <cstddef>
#include <string>

namespace modemsim {

class PtyLine {
public:
    // Opens the pseudo-terminal, sets its slave raw (no echo, no CR/LF
    // translation, 8 bits) and links it at LinkPath, making the link's folder
    // when needed and replacing an older symbolic link there (a file or folder
    // in its place raises). Raises std::runtime_error on failure.
    explicit PtyLine(const std::string& LinkPath);
    // Removes the link, when it still names this line, and closes both ends.
    ~PtyLine();
    PtyLine(const PtyLine&) = delete;
    PtyLine& operator=(const PtyLine&) = delete;

    int Master() const { return master_; }  // non-blocking
    // Bytes written to the line that wait on the slave side for its reader,
    // as far as the terminal layer has passed them on (0 when unknown).
    std::size_t Unread() const;
    const std::string& SlaveName() const { return slaveName_; }

private:
    int master_ = -1;
    int slave_ = -1;
    std::string slaveName_;
    std::string link_;
    bool linked_ = false;
};

}  // namespace modemsim
