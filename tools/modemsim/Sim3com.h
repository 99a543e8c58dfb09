#pragma once
// The 3Com/U.S. Robotics message modems of the simulator: their message
// memory and the commands that read and change it.
//
//   +MSR=n      status line n (0 the memory summary); past the last message ERROR
//   +MCC=d,h,m,s / +MCC / +MCC?   set, reset and read the message clock
//   +MCS=n / +MCS?                stand-alone (self) mode
//   +MVP=n      plays message n (0 outgoing, 255 memory-full) for its length;
//               any byte from the client stops it; then OK
//   +MEM        erases every received message (taking --erase-ms; with
//               --erase-error it erases nothing and answers ERROR)
//   +MTP=p      page p: two hexadecimal checksum characters, the 32768 bytes, OK;
//               reading the page that holds a message's header marks it read
//
// Options: --page-error P (repeatable) ends page P's reply with ERROR in
// place of OK; --page-bad-checksum P sends page P with a checksum off by one
// (P:N only its first N sendings); --page-short P (or P:N) loses the second
// half of page P on the way, the reply still ending with OK;
// --page-checksum-lowercase writes the checksums' letters small;
// --erase-ms MS makes the erase take MS ms before its reply; --erase-error
// makes it fail.
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "tools/modemsim/Sim.h"
#include "tools/modemsim/Sim3comMemory.h"

namespace sim3com {

// The message clock: days, hours, minutes and seconds since it was set; not
// known after power-on.
class MessageClock {
public:
    // The unknown text while not known ("255,255,255,255" unless told), else "ddd,hhh,mmm,sss".
    std::string Text(uint64_t NowMs) const;
    void Set(long long Seconds, uint64_t NowMs);
    bool Known() const { return known_; }
    void SetUnknownText(std::string Text) { unknown_ = std::move(Text); }

private:
    std::string unknown_ = "255,255,255,255";
    bool known_ = false;
    long long seconds_ = 0;
    uint64_t setAt_ = 0;
};

// What a 3Com session keeps for the whole run.
struct State : modemsim::ExtensionState {
    std::unique_ptr<Memory> memory;
    MessageClock clock;
    bool selfMode = false;
    // How often each "P:N" page fault has struck ("page-short:5").
    std::map<std::string, int> struck;
    // A fault that another file of the family plays (Sim3comMurmel.cpp): it
    // may change status line n just before it goes out.
    std::function<void(int n, std::string& line)> statusFault;
};

// The number a command argument "=n" carries; nothing for anything else.
std::optional<long long> Argument(const std::string& Args);

}  // namespace sim3com
