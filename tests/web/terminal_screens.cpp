// What the terminal program shows for given keys, for the browser tests to
// hold the page against: plays the keys on the shipped levels through the
// end-to-end harness and prints, one JSON line each, the screens and the
// saved file asked for.
//
// A first argument --boards=FILE plays that level file instead of the
// shipped levels. Arguments, in order: text is typed a key at a time; <Tab>, <Enter>,
// <Up>, <Down>, <Left>, <Right> and <C-Up>, <C-Down>, <C-Left>, <C-Right>
// press those keys; = prints the screen (rows, each cell's look, cursor);
// @file prints boards.txt as the program left it.
#include "../e2e/terminal_session.h"

#include <cstdio>
#include <fstream>
#include <gtest/gtest.h>
#include <map>
#include <sstream>
#include <string>

namespace {

std::string json_string(const std::string &text) {
    std::string out = "\"";
    for (char ch : text) {
        if (ch == '"' || ch == '\\') {
            out += '\\';
            out += ch;
        } else if (ch == '\n') {
            out += "\\n";
        } else if (static_cast<unsigned char>(ch) < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", ch);
            out += escaped;
        } else {
            out += ch;
        }
    }
    return out + "\"";
}

// Each cell's look as fg/bg, with +b when bold, separated by spaces.
std::string looks(const terminal_session &s, int row) {
    std::string out;
    for (int col = 0; col < 80; col++) {
        screen_cell cell = s.cell(row, col);
        out += (col > 0 ? " " : "") + cell.fg + "/" + cell.bg + (cell.bold ? "+b" : "");
    }
    return out;
}

void print_screen(const terminal_session &s) {
    std::string rows, cells;
    for (int row = 0; row < 25; row++) {
        rows += (row > 0 ? "," : "") + json_string(s.text(row, 0, 80));
        cells += (row > 0 ? "," : "") + json_string(looks(s, row));
    }
    std::printf("{\"rows\":[%s],\"looks\":[%s],\"cursor\":[%d,%d,%s,%s]}\n", rows.c_str(),
                cells.c_str(), s.cursor_row(), s.cursor_col(),
                s.cursor_visible() ? "true" : "false", s.cursor_blinking() ? "true" : "false");
}

} // namespace

int main(int argc, char **argv) {
    static const std::map<std::string, VTermKey> KEYS = {
        {"Tab", VTERM_KEY_TAB},   {"Enter", VTERM_KEY_ENTER}, {"Up", VTERM_KEY_UP},
        {"Down", VTERM_KEY_DOWN}, {"Left", VTERM_KEY_LEFT},   {"Right", VTERM_KEY_RIGHT},
    };
    session_options options;
    options.boards = shipped_boards();
    int first = 1;
    if (argc > 1 && std::string(argv[1]).rfind("--boards=", 0) == 0) {
        std::ifstream file(argv[1] + 9, std::ios::binary);
        std::ostringstream content;
        content << file.rdbuf();
        options.boards = content.str();
        first = 2;
    }
    terminal_session s(options);
    for (int i = first; i < argc; i++) {
        std::string step = argv[i];
        if (step == "=") {
            print_screen(s);
        } else if (step == "@file") {
            std::printf("{\"file\":%s}\n",
                        json_string(s.read_file("boards.txt").value_or("")).c_str());
        } else if (step.size() > 2 && step.front() == '<' && step.back() == '>') {
            std::string name = step.substr(1, step.size() - 2);
            bool control = name.rfind("C-", 0) == 0;
            auto key = KEYS.find(control ? name.substr(2) : name);
            if (key == KEYS.end()) {
                std::fprintf(stderr, "terminal_screens: unknown key %s\n", step.c_str());
                return 2;
            }
            s.press(key->second, control ? VTERM_MOD_CTRL : VTERM_MOD_NONE);
        } else {
            s.type(step);
        }
        std::fflush(stdout);
    }
    return ::testing::Test::HasFailure() ? 1 : 0;
}
