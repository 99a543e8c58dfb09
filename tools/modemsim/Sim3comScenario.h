#pragma once
// The 3Com message memory as a scenario file describes it:
//
//     [memory]
//     used = 30                  # memory used in percent, in place of the computed figure
//     pages-field = yes          # status line 0 ends in a seventh field, the pages in use
//     [outgoing]                 # page 0; [memoryfull] is page 1
//     seconds = 3                # generated beeps, or: gsm = greeting.gsm
//     [message]
//     type = voice               # voice or fax
//     state = new                # new (255), old (252) or the state byte itself
//     time = 71,10,30            # day, hour, minute of the message clock; "unknown" = 255
//     ago = 2d5h30m              # or: the day number the host would have set, that long ago
//     caller = "0301 234567"     # at most 20 characters, no comma
//     seconds = 65               # generated voice mail, or: gsm = file.gsm (33-byte frames)
//     encapsulated = yes         # frames in the 38-byte form
//     pages = 2                  # generated fax pages, or one "g3 = page.g3" per page
//     fine = yes                 # generated pages in fine resolution
//     letter = 1                 # generated pages that look like a fax (a number picks the text)
//     error = 0                  # fax reception error field
//     number = 7                 # message number (header byte 0); default: its place
//     size = 12                  # seconds or pages in place of the counted ones
//     next = 4,40000             # a damaged header: the next header's page and offset it gives
//     page = -100000             # a damaged status line: the first page it names
//
// Files are named relative to the scenario file. Without a scenario file the
// memory holds a small default set (two voice mails, two faxes, one of each
// new, both announcements).
#include "tools/modemsim/Sim3comMemory.h"
#include "tools/modemsim/SimScenario.h"

namespace sim3com {

// Raises modemsim::ScenarioError naming the line of a value it cannot use.
MemorySpec ReadMemorySpec(const modemsim::Scenario& Data, double Now);
MemorySpec DefaultMemorySpec(double Now);

}  // namespace sim3com
