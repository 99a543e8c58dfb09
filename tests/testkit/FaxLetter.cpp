#include "testkit/FaxLetter.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <vector>

namespace testkit {
namespace {

// Each glyph as its rows from the top, '#' black; two rows under the base
// line follow where a letter has a descender.
struct GlyphRows {
    char character;
    const char* rows;
};
const GlyphRows kGlyphs[] = {
    {' ', "..... ..... ..... ..... ..... ..... ....."},
    {'!', "..#.. ..#.. ..#.. ..#.. ..#.. ..... ..#.."},
    {'"', ".#.#. .#.#. .#.#. ..... ..... ..... ....."},
    {'#', ".#.#. .#.#. ##### .#.#. ##### .#.#. .#.#."},
    {'$', "..#.. .#### #.#.. .###. ..#.# ####. ..#.."},
    {'%', "##... ##..# ...#. ..#.. .#... #..## ...##"},
    {'&', ".##.. #..#. #.#.. .#... #.#.# #..#. .##.#"},
    {'\'', "..#.. ..#.. .#... ..... ..... ..... ....."},
    {'(', "...#. ..#.. .#... .#... .#... ..#.. ...#."},
    {')', ".#... ..#.. ...#. ...#. ...#. ..#.. .#..."},
    {'*', "..... ..#.. #.#.# .###. #.#.# ..#.. ....."},
    {'+', "..... ..#.. ..#.. ##### ..#.. ..#.. ....."},
    {',', "..... ..... ..... ..... .##.. ..#.. .#..."},
    {'-', "..... ..... ..... ##### ..... ..... ....."},
    {'.', "..... ..... ..... ..... ..... .##.. .##.."},
    {'/', "....# ...#. ...#. ..#.. .#... .#... #...."},
    {'0', ".###. #...# #..## #.#.# ##..# #...# .###."},
    {'1', "..#.. .##.. ..#.. ..#.. ..#.. ..#.. .###."},
    {'2', ".###. #...# ....# ...#. ..#.. .#... #####"},
    {'3', "##### ...#. ..#.. ...#. ....# #...# .###."},
    {'4', "...#. ..##. .#.#. #..#. ##### ...#. ...#."},
    {'5', "##### #.... ####. ....# ....# #...# .###."},
    {'6', "..##. .#... #.... ####. #...# #...# .###."},
    {'7', "##### ....# ...#. ..#.. .#... .#... .#..."},
    {'8', ".###. #...# #...# .###. #...# #...# .###."},
    {'9', ".###. #...# #...# .#### ....# ...#. .##.."},
    {':', "..... .##.. .##.. ..... .##.. .##.. ....."},
    {';', "..... .##.. .##.. ..... .##.. ..#.. .#..."},
    {'<', "...#. ..#.. .#... #.... .#... ..#.. ...#."},
    {'=', "..... ..... ##### ..... ##### ..... ....."},
    {'>', ".#... ..#.. ...#. ....# ...#. ..#.. .#..."},
    {'?', ".###. #...# ....# ...#. ..#.. ..... ..#.."},
    {'@', ".###. #...# #.### #.#.# #.### #.... .####"},
    {'A', ".###. #...# #...# ##### #...# #...# #...#"},
    {'B', "####. #...# #...# ####. #...# #...# ####."},
    {'C', ".###. #...# #.... #.... #.... #...# .###."},
    {'D', "###.. #..#. #...# #...# #...# #..#. ###.."},
    {'E', "##### #.... #.... ####. #.... #.... #####"},
    {'F', "##### #.... #.... ####. #.... #.... #...."},
    {'G', ".###. #...# #.... #.### #...# #...# .####"},
    {'H', "#...# #...# #...# ##### #...# #...# #...#"},
    {'I', ".###. ..#.. ..#.. ..#.. ..#.. ..#.. .###."},
    {'J', "..### ...#. ...#. ...#. ...#. #..#. .##.."},
    {'K', "#...# #..#. #.#.. ##... #.#.. #..#. #...#"},
    {'L', "#.... #.... #.... #.... #.... #.... #####"},
    {'M', "#...# ##.## #.#.# #.#.# #...# #...# #...#"},
    {'N', "#...# #...# ##..# #.#.# #..## #...# #...#"},
    {'O', ".###. #...# #...# #...# #...# #...# .###."},
    {'P', "####. #...# #...# ####. #.... #.... #...."},
    {'Q', ".###. #...# #...# #...# #.#.# #..#. .##.#"},
    {'R', "####. #...# #...# ####. #.#.. #..#. #...#"},
    {'S', ".#### #.... #.... .###. ....# ....# ####."},
    {'T', "##### ..#.. ..#.. ..#.. ..#.. ..#.. ..#.."},
    {'U', "#...# #...# #...# #...# #...# #...# .###."},
    {'V', "#...# #...# #...# #...# #...# .#.#. ..#.."},
    {'W', "#...# #...# #...# #.#.# #.#.# #.#.# .#.#."},
    {'X', "#...# #...# .#.#. ..#.. .#.#. #...# #...#"},
    {'Y', "#...# #...# .#.#. ..#.. ..#.. ..#.. ..#.."},
    {'Z', "##### ....# ...#. ..#.. .#... #.... #####"},
    {'[', ".###. .#... .#... .#... .#... .#... .###."},
    {'\\', "#.... .#... .#... ..#.. ...#. ...#. ....#"},
    {']', ".###. ...#. ...#. ...#. ...#. ...#. .###."},
    {'^', "..#.. .#.#. #...# ..... ..... ..... ....."},
    {'_', "..... ..... ..... ..... ..... ..... #####"},
    {'`', ".#... ..#.. ...#. ..... ..... ..... ....."},
    {'a', "..... ..... .###. ....# .#### #...# .####"},
    {'b', "#.... #.... #.##. ##..# #...# #...# ####."},
    {'c', "..... ..... .###. #.... #.... #...# .###."},
    {'d', "....# ....# .##.# #..## #...# #...# .####"},
    {'e', "..... ..... .###. #...# ##### #.... .###."},
    {'f', "..##. .#..# .#... ###.. .#... .#... .#..."},
    {'g', "..... ..... .#### #...# #...# #..## .##.# ....# .###."},
    {'h', "#.... #.... #.##. ##..# #...# #...# #...#"},
    {'i', "..#.. ..... .##.. ..#.. ..#.. ..#.. .###."},
    {'j', "...#. ..... ..##. ...#. ...#. ...#. ...#. #..#. .##.."},
    {'k', "#.... #.... #..#. #.#.. ##... #.#.. #..#."},
    {'l', ".##.. ..#.. ..#.. ..#.. ..#.. ..#.. .###."},
    {'m', "..... ..... ##.#. #.#.# #.#.# #...# #...#"},
    {'n', "..... ..... #.##. ##..# #...# #...# #...#"},
    {'o', "..... ..... .###. #...# #...# #...# .###."},
    {'p', "..... ..... ####. #...# #...# ##..# #.##. #.... #...."},
    {'q', "..... ..... .#### #...# #...# #..## .##.# ....# ....#"},
    {'r', "..... ..... #.##. ##..# #.... #.... #...."},
    {'s', "..... ..... .###. #.... .###. ....# ####."},
    {'t', ".#... .#... ###.. .#... .#... .#..# ..##."},
    {'u', "..... ..... #...# #...# #...# #..## .##.#"},
    {'v', "..... ..... #...# #...# #...# .#.#. ..#.."},
    {'w', "..... ..... #...# #...# #.#.# #.#.# .#.#."},
    {'x', "..... ..... #...# .#.#. ..#.. .#.#. #...#"},
    {'y', "..... ..... #...# #...# #...# #..## .##.# ....# .###."},
    {'z', "..... ..... ##### ...#. ..#.. .#... #####"},
    {'{', "...#. ..#.. ..#.. .#... ..#.. ..#.. ...#."},
    {'|', "..#.. ..#.. ..#.. ..#.. ..#.. ..#.. ..#.."},
    {'}', ".#... ..#.. ..#.. ...#. ..#.. ..#.. .#..."},
    {'~', "..... ..... .#... #.#.# ...#. ..... ....."},
};

using Bitmap = std::array<uint16_t, FaxGlyphHeight>;  // bit 4 is the left dot

struct Font {
    std::array<Bitmap, 128> glyphs{};
    std::array<bool, 128> present{};
};

Font BuildFont() {
    Font font;
    for (const GlyphRows& g : kGlyphs) {
        Bitmap b{};
        int row = 0, column = 0;
        for (const char* p = g.rows; *p && row < FaxGlyphHeight; ++p) {
            if (*p == ' ') {
                ++row;
                column = 0;
                continue;
            }
            if (*p == '#') b[static_cast<std::size_t>(row)] |= static_cast<uint16_t>(1u << (FaxGlyphWidth - 1 - column));
            ++column;
        }
        const auto code = static_cast<unsigned char>(g.character);
        font.glyphs[code] = b;
        font.present[code] = true;
    }
    return font;
}

const Font& TheFont() {
    static const Font font = BuildFont();
    return font;
}

// A page in fine lines; a normal page takes every second line of it.
constexpr int kWidth = G3Width;
constexpr int kFineLines = 2287;
constexpr int kLeft = 150;
constexpr int kRight = kWidth - 150;

class Canvas {
public:
    Canvas() : dots_(static_cast<std::size_t>(kWidth) * kFineLines, 0) {}

    void Dot(int x, int y) {
        if (x >= 0 && x < kWidth && y >= 0 && y < kFineLines) dots_[static_cast<std::size_t>(y) * kWidth + x] = 1;
    }
    void Box(int x0, int y0, int x1, int y1) {
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x) Dot(x, y);
    }
    // An outline Thick dots wide inside the rectangle.
    void Frame(int x0, int y0, int x1, int y1, int thick) {
        Box(x0, y0, x1, y0 + thick);
        Box(x0, y1 - thick, x1, y1);
        Box(x0, y0, x0 + thick, y1);
        Box(x1 - thick, y0, x1, y1);
    }
    // A line drawn with a square pen of Thick dots.
    void Line(int x0, int y0, int x1, int y1, int thick) {
        const int dx = std::abs(x1 - x0), dy = -std::abs(y1 - y0);
        const int sx = x0 < x1 ? 1 : -1, sy = y0 < y1 ? 1 : -1;
        int err = dx + dy;
        for (;;) {
            Box(x0 - thick / 2, y0 - thick / 2, x0 - thick / 2 + thick, y0 - thick / 2 + thick);
            if (x0 == x1 && y0 == y1) break;
            const int e2 = 2 * err;
            if (e2 >= dy) {
                err += dy;
                x0 += sx;
            }
            if (e2 <= dx) {
                err += dx;
                y0 += sy;
            }
        }
    }
    // A ring of radius R (its outer edge) and Thick dots; a filled disc with Thick >= R.
    void Ring(int cx, int cy, int r, int thick) {
        const long outer = static_cast<long>(r) * r;
        const long inner = thick >= r ? -1 : static_cast<long>(r - thick) * (r - thick);
        for (int y = -r; y <= r; ++y)
            for (int x = -r; x <= r; ++x) {
                const long d = static_cast<long>(x) * x + static_cast<long>(y) * y;
                if (d <= outer && d > inner) Dot(cx + x, cy + y);
            }
    }
    // Text with its cell's top left at (x, y), each font dot Scale dots square.
    void Text(int x, int y, int scale, const std::string& text) {
        for (char c : text) {
            for (int gy = 0; gy < FaxGlyphHeight; ++gy)
                for (int gx = 0; gx < FaxGlyphWidth; ++gx)
                    if (FaxGlyphDot(c, gx, gy)) Box(x + gx * scale, y + gy * scale, x + (gx + 1) * scale, y + (gy + 1) * scale);
            x += (FaxGlyphWidth + 1) * scale;
        }
    }
    static int TextWidth(int scale, const std::string& text) {
        return static_cast<int>(text.size()) * (FaxGlyphWidth + 1) * scale - scale;
    }

    G3Page Page(bool fine) const {
        G3Page page;
        const int step = fine ? 1 : 2;
        for (int y = 0; y + step - 1 < kFineLines; y += step) {
            const auto at = dots_.begin() + static_cast<std::ptrdiff_t>(y) * kWidth;
            page.emplace_back(at, at + kWidth);
        }
        return page;
    }

private:
    std::vector<uint8_t> dots_;
};

struct Letter {
    const char* from;
    const char* number;
    const char* subject;
    const char* date;
    std::vector<const char*> body;
    const char* figure;
};

const Letter kLetters[] = {
    {"Hansen Print Shop",
     "+49 40 5550123",
     "Proof of your new business cards",
     "2 April 2001",
     {"Dear customer,", "",
      "thank you for your order of 500 business cards. Below you",
      "find the layout as we discussed it on the phone: your name",
      "in bold at the top, the address under it, and the little",
      "house of your logo on the right.", "",
      "Please check every line and tell us by Friday whether we",
      "may print. Changes after that day cost 15 Euro.", "",
      "Kind regards,", "", "Ute Hansen"},
     "Fig. 1: the logo as it will be printed"},
    {"Harbour Office",
     "0221 987654",
     "Calls of last week and our meeting",
     "4 April 2001",
     {"Hello,", "",
      "as promised, here are the figures of last week. The chart",
      "on the next page shows the calls we answered each day; the",
      "drawing below is the new seating plan for the front desk.", "",
      "The meeting is on Monday at 9:30 in room 2 (second floor).",
      "Bring your own numbers if you have them.", "",
      "See you there,", "", "Jens Petersen"},
     "Fig. 1: the front desk, seen from above"},
};

void Heading(Canvas& c, const Letter& l, int page, int pages) {
    c.Text(kLeft, 110, 10, "FAX");
    c.Text(kLeft + Canvas::TextWidth(10, "FAX") + 60, 150, 5, l.from);
    c.Text(kLeft + Canvas::TextWidth(10, "FAX") + 60, 210, 4, l.number);
    c.Box(kLeft, 230 + 40, kRight, 230 + 48);
    const std::string pageText = "Page " + std::to_string(page + 1) + " of " + std::to_string(pages);
    c.Text(kRight - Canvas::TextWidth(4, pageText), 2150, 4, pageText);
    c.Box(kLeft, 2120, kRight, 2124);
}

// A house with a sun: a frame, a roof, a door and a window.
void House(Canvas& c, int x, int y, int w, int h) {
    const int wall = y + h * 2 / 5;
    c.Frame(x, wall, x + w, y + h, 8);
    c.Line(x - 20, wall, x + w / 2, y, 8);
    c.Line(x + w / 2, y, x + w + 20, wall, 8);
    c.Frame(x + w / 8, y + h * 3 / 5, x + w / 8 + w / 4, y + h, 6);
    c.Frame(x + w * 5 / 8, y + h * 3 / 5 - 20, x + w * 7 / 8, y + h * 3 / 5 + 100, 6);
    c.Line(x + w * 6 / 8, y + h * 3 / 5 - 20, x + w * 6 / 8, y + h * 3 / 5 + 100, 4);
    c.Ring(x + w + 260, y + 60, 70, 70);
    for (int i = 0; i < 8; ++i) {
        static const int kDx[] = {0, 1, 1, 1, 0, -1, -1, -1}, kDy[] = {-1, -1, 0, 1, 1, 1, 0, -1};
        c.Line(x + w + 260 + kDx[i] * 100, y + 60 + kDy[i] * 100, x + w + 260 + kDx[i] * 140, y + 60 + kDy[i] * 140, 6);
    }
    c.Box(x - 150, y + h, x + w + 450, y + h + 8);
}

// A desk seen from above: a curved counter, three chairs and a plant.
void Desk(Canvas& c, int x, int y, int w, int h) {
    c.Frame(x, y, x + w, y + h, 6);
    c.Frame(x + 60, y + 60, x + w - 60, y + 150, 8);
    for (int i = 0; i < 3; ++i) c.Ring(x + 200 + i * (w - 400) / 2, y + 240, 45, 8);
    c.Ring(x + w - 120, y + h - 120, 60, 60);
    c.Frame(x + w / 2 - 90, y + h - 10, x + w / 2 + 90, y + h, 10);
}

void LetterSheet(Canvas& c, const Letter& l, int letter) {
    int y = 330;
    c.Text(kLeft, y, 4, "To:      Pellow user");
    c.Text(kLeft, y += 50, 4, std::string("From:    ") + l.from);
    c.Text(kLeft, y += 50, 4, std::string("Date:    ") + l.date);
    c.Text(kLeft, y += 50, 4, std::string("Subject: ") + l.subject);
    y += 100;
    for (const char* line : l.body) {
        c.Text(kLeft, y, 4, line);
        y += 46;
    }
    const int top = std::max(y + 40, 1300);
    if (letter % 2 == 0) House(c, kLeft + 200, top, 520, 560);
    else Desk(c, kLeft + 100, top, 1100, 560);
    c.Text(kLeft, top + 620, 4, l.figure);
}

// A bar chart of calls a day with its axes and labels.
void ChartSheet(Canvas& c) {
    c.Text(kLeft, 360, 6, "Calls answered last week");
    const int x0 = kLeft + 120, y0 = 1800, top = 560;
    c.Box(x0, top, x0 + 8, y0 + 8);
    c.Box(x0, y0, kRight - 60, y0 + 8);
    static const char* const kDays[] = {"Mon", "Tue", "Wed", "Thu", "Fri"};
    static const int kCalls[] = {42, 57, 35, 64, 28};
    for (int i = 0; i <= 70; i += 10) {
        const int yy = y0 - i * 16;
        c.Box(x0 - 30, yy, x0, yy + 4);
        c.Text(x0 - 40 - Canvas::TextWidth(4, std::to_string(i)), yy - 14, 4, std::to_string(i));
    }
    for (int i = 0; i < 5; ++i) {
        const int bx = x0 + 80 + i * 250, height = kCalls[i] * 16;
        if (i % 2 == 0) c.Box(bx, y0 - height, bx + 150, y0);
        else c.Frame(bx, y0 - height, bx + 150, y0, 10);
        c.Text(bx + 75 - Canvas::TextWidth(4, kDays[i]) / 2, y0 + 30, 4, kDays[i]);
        const std::string n = std::to_string(kCalls[i]);
        c.Text(bx + 75 - Canvas::TextWidth(4, n) / 2, y0 - height - 60, 4, n);
    }
}

}  // namespace

bool FaxGlyphDot(char Character, int X, int Y) {
    if (X < 0 || X >= FaxGlyphWidth || Y < 0 || Y >= FaxGlyphHeight) return false;
    const Font& font = TheFont();
    auto code = static_cast<unsigned char>(Character);
    if (code >= 128 || !font.present[code]) code = '?';
    return (font.glyphs[code][static_cast<std::size_t>(Y)] >> (FaxGlyphWidth - 1 - X)) & 1u;
}

G3Page FaxLetterPage(int Letter, int Page, int Pages, bool Fine) {
    const int n = static_cast<int>(std::size(kLetters));
    const auto& l = kLetters[static_cast<std::size_t>(((Letter % n) + n) % n)];
    Canvas c;
    Heading(c, l, Page, Pages);
    if (Page == 0) LetterSheet(c, l, Letter);
    else ChartSheet(c);
    return c.Page(Fine);
}

std::string CodedFaxLetterPage(int Letter, int Page, int Pages, bool Fine) {
    return G3Encode(FaxLetterPage(Letter, Page, Pages, Fine));
}

}  // namespace testkit
