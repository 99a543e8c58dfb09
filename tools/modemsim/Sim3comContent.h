#pragma once
// Generated content of the simulated message memory: voice mail as GSM 06.10
// frames and fax pages as one-dimensional G3 code.
#include <string>

namespace sim3com {

// Seconds of beeps as 33-byte GSM 06.10 frames; voice picks the pitch.
std::string GsmTone(int seconds, int voice);

// One coded fax page (modified Huffman, EOL before every line, RTC at the
// end): a frame and bars that tell the pages apart; fine pages have twice
// the lines.
std::string G3Page(int index, bool fine);

// Page Page of Pages of a fax that looks like one (testkit::FaxLetterPage):
// a letter with a drawing, a chart on a second page; Letter picks the text.
std::string LetterPage(int Letter, int Page, int Pages, bool Fine);

}  // namespace sim3com
