#pragma once
// The ELSA MicroLink Office of the simulator: its message store (named
// files) and the commands that read and change it.
//
//   $JDIR            the directory: one line per file, greetings among them:
//                    name,format,flags,dd.mm.yyyy,hh:mm,size,caller ID
//   $JDATE=y,m,d     sets the modem's date; $JTIME=h,m,s its time
//   $JMEM=FREE       "FREE: n", the free memory in percent
//   $JDEL="name"     erases the file; ERROR when there is none of that name
//   $JDNL="name"     sends the file in 1024-byte blocks: after the receiver's
//                    NAK, STX, block number, its complement, the data (the
//                    last block filled up with 0x1A) and a one-byte checksum;
//                    ACK moves on, NAK sends the block again; then EOT, and
//                    once that is acknowledged the carrier is dropped (NO
//                    CARRIER) and the file's "N" flag cleared
//
// A fax file holds each page as "CONNECT" CR LF, the G3 data in the modem's
// bit order (each byte's bits reversed against the TIFF order) with every DLE
// doubled, and DLE ETX CR LF.
//
// Faults of a download, each for block B (from 1; the block count plus 1
// stands for the EOT), repeatable:
//   --dnl-bad-start B[:N]   N times (default 1) a wrong start byte (SOH) alone
//                           in place of the block, each waiting for a NAK
//   --dnl-pause B[:MS]      a pause of MS ms (default 1500) before the block,
//                           which a NAK ends early
//   --dnl-cancel B          CAN in place of the block, and the call ends
//   --dnl-bad-checksum B    the block's checksum off by one
//   --dnl-short B           the first sending of the block stops after half
//                           its data; the full block follows a NAK
//   --dnl-garbage B         line noise before the block (which then follows
//                           a NAK or a short pause)
// A command line from the client ("AT...") ends a download that is still
// running without a further word, and is then carried out.
#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "tools/modemsim/Sim.h"
#include "tools/modemsim/SimScenario.h"

namespace simelsa {

constexpr uint8_t SOH = 1;
constexpr uint8_t STX = 2;
constexpr uint8_t ETX = 3;
constexpr uint8_t EOT = 4;
constexpr uint8_t ACK = 6;
constexpr uint8_t DLE = 0x10;
constexpr uint8_t NAK = 0x15;
constexpr uint8_t CAN = 0x18;
constexpr std::size_t kBlockSize = 1024;
constexpr char kFiller = 0x1A;
// The message memory the free figure is counted against.
constexpr long long kCapacity = 2 * 1024 * 1024;

// One file of the store, with what its directory line shows.
struct File {
    std::string name;
    std::string format;
    std::string flags;
    std::string date;      // "dd.mm.yyyy"
    std::string time;      // "hh:mm"
    std::string callerId;
    std::string size;      // the listed size; "" lists the data's byte count
    std::string data;      // the file's bytes as the download sends them
    std::string line;      // the whole directory line in place of the fields; "" builds it
};

struct Store {
    std::vector<File> files;  // in directory order
    int freePercent = -1;     // -1: counted from the files' sizes

    File* Find(const std::string& Name);
    bool Erase(const std::string& Name);
    int FreePercent() const;
};

// The directory line of a file (without its line end).
std::string DirectoryLine(const File& F);

// A fax file from coded pages in TIFF bit order.
std::string FaxFile(const std::vector<std::string>& Pages);
// Deterministic bytes standing for Seconds of ADPCM voice data; every byte
// value occurs, control bytes of the block transfer included.
std::string VoiceData(int Seconds, unsigned Seed);

// Raises modemsim::ScenarioError naming the line of a value it cannot use.
//
//     [elsa]
//     free = 62                 # the free memory figure in place of the counted one
//     [greeting]                # a greeting file, listed where it stands ("GREET1", ...)
//     [message]
//     name = MSG00001           # default: MSG and the message's place, five digits
//     type = fax                # voice (default) or fax; a format T4N or T4F means fax
//     format = T4F              # default ADPCM4-7, for a fax T4N (T4F with fine = yes)
//     flags = N                 # default N for a message, empty for a greeting
//     date = 01.02.2001
//     time = 10:20
//     caller = "0221 987654"
//     size = 1234               # the listed size in place of the byte count
//     seconds = 5               # generated voice data
//     pages = 2                 # generated fax pages (default 1) ...
//     fine = yes                # ... in fine resolution ...
//     lines = 1143,600          # ... of these many lines (the last repeats) ...
//     seed = 7                  # ... with testkit::G3TestPage(lines, seed + page)
//     letter = 1                # or: pages that look like a fax (testkit::FaxLetterPage; a number picks the text)
//     g3 = page.g3              # or: one coded page (TIFF bit order) per entry
//     data = "\x10\x03"         # or: the stored file as is; file = path reads it
//     line = "MSG9,T4F"         # the directory line as listed, whatever the fields
//
// Without a scenario the store holds a greeting, two voice mails and two
// faxes, one of each new.
Store ReadStore(const modemsim::Scenario& Data);
Store DefaultStore();

// The faults of the download options.
struct Faults {
    std::map<int, int> badStarts;   // block -> wrong start bytes before it
    std::map<int, int> pauses;      // block -> ms
    std::set<int> cancel;
    std::set<int> badChecksum;
    std::set<int> shortBlock;
    std::set<int> garbage;
};
// Raises std::invalid_argument for a value it cannot read.
Faults ReadFaults(const modemsim::Options& Opts);

// Block Number (from 1) of Data on the wire: Data is cut to the block size
// and filled up with the filler byte. Cut leaves the block after half its data.
std::string Block(int Number, std::string_view Data, bool BadChecksum = false, bool Cut = false);

// What a session keeps for the whole run.
struct State : modemsim::ExtensionState {
    std::unique_ptr<Store> store;
    std::string date;  // as the host last set them: "y,m,d" and "h,m,s"
    std::string time;
};

// The download of the file Name of the session's store.
std::unique_ptr<modemsim::Task> MakeDownload(const std::string& Name, std::string Data, Faults F);

}  // namespace simelsa
