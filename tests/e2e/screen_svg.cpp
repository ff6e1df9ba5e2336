// The SVG writer: one background rectangle per run of cells of one
// background colour, one text element per run of one look, each stretched
// to exactly its cells so the grid holds in any monospace font.
#include "screen_svg.h"

#include <sstream>

namespace {

const int CELL_W = 9;
const int CELL_H = 18;
const int COLS = 80;

// xterm's palette, and the terminal's defaults: light grey on black.
std::string hex(const std::string &name, bool foreground) {
    static const struct {
        const char *name, *hex;
    } palette[] = {
        {"black", "#000000"},        {"red", "#cd0000"},
        {"green", "#00cd00"},        {"yellow", "#cdcd00"},
        {"blue", "#0000ee"},         {"magenta", "#cd00cd"},
        {"cyan", "#00cdcd"},         {"white", "#e5e5e5"},
        {"bright-black", "#7f7f7f"}, {"bright-red", "#ff0000"},
        {"bright-green", "#00ff00"}, {"bright-yellow", "#ffff00"},
        {"bright-blue", "#5c5cff"},  {"bright-magenta", "#ff00ff"},
        {"bright-cyan", "#00ffff"},  {"bright-white", "#ffffff"},
    };
    for (const auto &p : palette) {
        if (name == p.name) {
            return p.hex;
        }
    }
    return foreground ? "#e5e5e5" : "#000000";
}

std::string escaped(const std::string &text) {
    std::string out;
    for (char ch : text) {
        switch (ch) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        default: out += ch;
        }
    }
    return out;
}

} // namespace

std::string screen_svg(const terminal_session &s, int rows, const std::string &title) {
    std::ostringstream svg;
    const int width = COLS * CELL_W, height = rows * CELL_H;
    svg << "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" << width << "\" height=\"" << height
        << "\" viewBox=\"0 0 " << width << " " << height
        << "\" role=\"img\" font-family=\"DejaVu Sans Mono, Menlo, Consolas, monospace\" "
           "font-size=\"15\">\n"
        << "<title>" << escaped(title) << "</title>\n"
        << "<rect width=\"100%\" height=\"100%\" fill=\"#000000\"/>\n";
    for (int r = 0; r < rows; r++) {
        // Backgrounds first, then the text over them.
        for (int c = 0; c < COLS;) {
            std::string bg = hex(s.cell(r, c).bg, false);
            int end = c + 1;
            while (end < COLS && hex(s.cell(r, end).bg, false) == bg) {
                end++;
            }
            if (bg != "#000000") {
                svg << "<rect x=\"" << c * CELL_W << "\" y=\"" << r * CELL_H << "\" width=\""
                    << (end - c) * CELL_W << "\" height=\"" << CELL_H << "\" fill=\"" << bg
                    << "\"/>\n";
            }
            c = end;
        }
        for (int c = 0; c < COLS;) {
            screen_cell first = s.cell(r, c);
            int end = c + 1;
            while (end < COLS && s.cell(r, end).fg == first.fg &&
                   s.cell(r, end).bold == first.bold) {
                end++;
            }
            std::string text = s.text(r, c, end - c);
            if (text.find_first_not_of(' ') != std::string::npos) {
                svg << "<text x=\"" << c * CELL_W << "\" y=\"" << r * CELL_H + 14
                    << "\" textLength=\"" << (end - c) * CELL_W
                    << "\" lengthAdjust=\"spacingAndGlyphs\" xml:space=\"preserve\" fill=\""
                    << hex(first.fg, true) << "\"" << (first.bold ? " font-weight=\"bold\"" : "")
                    << ">" << escaped(text) << "</text>\n";
            }
            c = end;
        }
    }
    if (s.cursor_visible() && s.cursor_row() < rows) {
        svg << "<rect x=\"" << s.cursor_col() * CELL_W << "\" y=\"" << s.cursor_row() * CELL_H + 15
            << "\" width=\"" << CELL_W << "\" height=\"3\" fill=\"#e5e5e5\"/>\n";
    }
    svg << "</svg>\n";
    return svg.str();
}
