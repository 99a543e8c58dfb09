#pragma once
// Faxes that look like faxes, for the simulator's default memories: a page
// of text with a simple drawing, and a sheet with a chart for a second page.
// The pages are drawn into bitmaps with a font built in here, so that they
// come out bit for bit the same on every machine (the tests compare the
// pages they download with these), and coded by the project's G3 encoder.
#include <string>

#include "testkit/G3Encode.h"

namespace testkit {

// Page Page (0-based) of the fax Letter (any number; it picks the sender and
// text) of Pages pages: 1728 pixels wide, 2287 lines in fine resolution
// (196 lines an inch) or 1143 in normal (98), the same picture in both.
G3Page FaxLetterPage(int Letter, int Page, int Pages, bool Fine);
// The same page coded (modified Huffman, EOLs, RTC), as a modem stores it.
std::string CodedFaxLetterPage(int Letter, int Page, int Pages, bool Fine);

// The built-in font: cells of 5 x 9 dots (7 above the base line, 2 below).
constexpr int FaxGlyphWidth = 5;
constexpr int FaxGlyphHeight = 9;
// Whether dot (x, y) of the character's glyph is black; characters without
// a glyph of their own are drawn as "?".
bool FaxGlyphDot(char Character, int X, int Y);

}  // namespace testkit
