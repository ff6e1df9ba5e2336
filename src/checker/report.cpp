// What grubblet-check prints: the report as text lines that name places as
// FILE:LINE:COLUMN, as one JSON object for scripts, and as drawings of the
// levels with their winning routes.
#include "search.h"

#include "../screen/glyphs.h"

#include <cstdio>
#include <nlohmann/json.hpp>

namespace {

file_place place_of(const file_report &report, int level, cell_ref cell) {
    std::size_t i =
        static_cast<std::size_t>((level * BOARD_ROWS + cell.row) * BOARD_COLS + cell.col);
    return i < report.cells.size() ? report.cells[i] : file_place{0, 0};
}

// FILE:LINE:COLUMN, or the cell by level, row and column where the file
// does not hold it.
std::string where(const file_report &report, int level, cell_ref cell) {
    file_place p = place_of(report, level, cell);
    if (p.line > 0) {
        return report.path + ":" + std::to_string(p.line) + ":" + std::to_string(p.column);
    }
    return report.path + ": level " + std::to_string(level + 1) + " row " +
           std::to_string(cell.row + 1) + " column " + std::to_string(cell.col + 1);
}

// LINE:COLUMN, or the cell by row and column where the file does not hold it.
std::string line_column(const file_report &report, int level, cell_ref cell) {
    file_place p = place_of(report, level, cell);
    if (p.line > 0) {
        return std::to_string(p.line) + ":" + std::to_string(p.column);
    }
    return "row " + std::to_string(cell.row + 1) + " column " + std::to_string(cell.col + 1);
}

// FILE:LINE:COLUMN-COLUMN for a trap of several places on one line.
std::string where_run(const file_report &report, int level, const trap_run &t) {
    file_place first = place_of(report, level, {t.row, t.col});
    file_place last = place_of(report, level, {t.row, t.last_col});
    std::string at = where(report, level, {t.row, t.col});
    if (t.last_col > t.col && first.line > 0 && last.line == first.line) {
        at += "-" + std::to_string(last.column);
    }
    return at;
}

std::string trap_text(const trap_run &t) {
    std::string who = "a player who comes to rest here";
    if (t.eaten_at_most < 0) {
        return "a trap: " + who +
               " can never clear the level, whatever has been eaten; only r helps";
    }
    who += t.eaten_at_most == 0
               ? " having eaten no grubblet"
               : " having eaten at most " + count_text(t.eaten_at_most, "grubblet", "grubblets");
    return "a trap: " + who + " can never clear the level; only r helps";
}

// The grubblets of the stored level in the order a route passes them, each
// eaten where the route first comes to it.
std::vector<cell_ref> eaten_in_order(const board_cells &level,
                                     const std::vector<route_cell> &route) {
    std::vector<cell_ref> order;
    std::vector<bool> done(BOARD_ROWS * BOARD_COLS, false);
    for (const route_cell &c : route) {
        auto at = static_cast<std::size_t>(c.row * BOARD_COLS + c.col);
        if (level.at[c.row][c.col] == CELL_GRUBBLET && !done[at]) {
            done[at] = true;
            order.push_back({c.row, c.col});
        }
    }
    return order;
}

// Marks only the plain drawing needs: without colour the trail's '@' could
// not be told from the player's.
const char PLAIN_ROUTE = '*';
const char PLAIN_ROUTE_HURT = '#';

const difficulty_figure *difficulty_of(const file_report &report, std::size_t level) {
    const difficulty_figure &d = report.levels[level].difficulty;
    return d.known ? &d : nullptr;
}

std::string difficulty_line(const std::string &name, const difficulty_figure &d) {
    char text[160];
    std::snprintf(text, sizeof text, "%s: difficulty %.1f (%d keys, risk %.2f, lowest tummy %d)\n",
                  name.c_str(), d.score, d.keys, d.risk, d.lowest_tummy);
    return text;
}

} // namespace

file_report begin_report(const std::string &path, const std::string &content) {
    file_report report;
    report.path = path;
    report.warnings = scan_level_file(content);
    report.cells = locate_cells(content);
    report.boards.assign(LEVEL_COUNT, board_cells{});
    level_file_walk walk(content.data(), content.size());
    read_levels(&walk, report.boards.data());
    return report;
}

int report_status(const file_report &report, bool strict) {
    for (const level_verdict &v : report.levels) {
        if (v.answer != ANSWER_CLEARABLE) {
            return 1;
        }
    }
    // Traps are notes on a level's design, never faults.
    return strict && !report.warnings.empty() ? 1 : 0;
}

std::string report_text(const file_report &report) {
    std::string out;
    for (const file_warning &w : report.warnings) {
        out += warning_line(report.path, w);
    }
    long total = 0;
    int cleared = 0, lost = 0, open = 0;
    for (std::size_t i = 0; i < report.levels.size(); i++) {
        const level_verdict &v = report.levels[i];
        const int level = static_cast<int>(i);
        const std::string name = "level " + std::to_string(level + 1);
        total += v.states;
        out += name + ": ";
        switch (v.answer) {
        case ANSWER_CLEARABLE:
            cleared++;
            out += "clearable in " +
                   count_text(static_cast<long>(v.keys.size()), "key press", "key presses");
            if (!v.shortest) {
                out += " (a winning sequence, not proven shortest; at least " +
                       count_text(v.at_least, "key", "keys") + ")";
            }
            out += ": " + (v.keys.empty() ? std::string("-") : v.keys);
            break;
        case ANSWER_NOT_CLEARABLE:
            lost++;
            out += "cannot be cleared: " + v.reason;
            break;
        case ANSWER_UNDECIDED:
            open++;
            out += "not decided: " + v.reason;
            break;
        }
        out += " (" + count_text(v.states, "state", "states") + " explored)\n";
        if (const difficulty_figure *d = difficulty_of(report, i)) {
            out += difficulty_line(name, *d);
        }
        for (cell_ref g : v.never_eaten) {
            out += where(report, level, g) + ": " + name + ": this grubblet can never be eaten\n";
        }
        for (const trap_run &t : v.traps) {
            out += where_run(report, level, t) + ": note: " + name + ": " + trap_text(t) + "\n";
        }
    }
    const int levels = static_cast<int>(report.levels.size());
    if (cleared == levels) {
        out += "all " + std::to_string(levels) + " levels can be cleared (" +
               count_text(total, "state", "states") + " explored)\n";
    } else {
        out += std::to_string(cleared) + " of " + std::to_string(levels) +
               " levels can be cleared, " + std::to_string(lost) + " cannot, " +
               std::to_string(open) + " not decided\n";
    }
    return out;
}

std::string report_json(const file_report &report) {
    using json = nlohmann::ordered_json;
    // 0 stands for a line or column the file does not hold.
    auto number = [](int n) { return n > 0 ? json(n) : json(nullptr); };
    auto place = [&](int level, cell_ref cell) {
        file_place p = place_of(report, level, cell);
        return json{{"line", number(p.line)}, {"column", number(p.column)}};
    };
    json warnings = json::array();
    for (const file_warning &w : report.warnings) {
        warnings.push_back(
            {{"line", number(w.line)}, {"column", number(w.column)}, {"text", w.text}});
    }
    json levels = json::array();
    for (std::size_t i = 0; i < report.levels.size(); i++) {
        const level_verdict &v = report.levels[i];
        const int level = static_cast<int>(i);
        json never = json::array(), traps = json::array();
        for (cell_ref g : v.never_eaten) {
            never.push_back(place(level, g));
        }
        for (const trap_run &t : v.traps) {
            json trap = place(level, {t.row, t.col});
            trap["last_column"] = number(place_of(report, level, {t.row, t.last_col}).column);
            trap["eaten_at_most"] = t.eaten_at_most < 0 ? json(nullptr) : json(t.eaten_at_most);
            traps.push_back(trap);
        }
        const bool clearable = v.answer == ANSWER_CLEARABLE;
        levels.push_back({
            {"level", level + 1},
            {"clearable", v.answer == ANSWER_UNDECIDED ? json(nullptr) : json(clearable)},
            {"keys", clearable ? json(v.keys) : json(nullptr)},
            {"shortest", clearable && v.shortest},
            {"at_least", clearable ? json(v.at_least) : json(nullptr)},
            {"states", v.states},
            {"reason", v.reason},
            {"never_eaten", never},
            {"traps", traps},
        });
        const difficulty_figure *d = difficulty_of(report, i);
        levels.back()["difficulty"] = d == nullptr ? json(nullptr)
                                                   : json{{"score", d->score},
                                                          {"keys", d->keys},
                                                          {"risk", d->risk},
                                                          {"lowest_tummy", d->lowest_tummy}};
    }
    json out = {{"file", report.path}, {"warnings", warnings}, {"levels", levels}};
    // A file name need not be valid UTF-8; JSON text must be.
    return out.dump(-1, ' ', false, json::error_handler_t::replace) + "\n";
}

std::string report_routes(const file_report &report, bool colour) {
    std::string out;
    for (std::size_t i = 0; i < report.levels.size(); i++) {
        const level_verdict &v = report.levels[i];
        const int level = static_cast<int>(i);
        glyph board[BOARD_ROWS][BOARD_COLS];
        const board_cells &stored = report.boards[i];
        for (int r = 0; r < BOARD_ROWS; r++) {
            for (int c = 0; c < BOARD_COLS; c++) {
                cell_kind kind = stored.at[r][c];
                if (kind < CELL_EMPTY || kind >= CELL_KIND_COUNT) {
                    kind = CELL_EMPTY;
                }
                board[r][c] = kind == CELL_START ? START_GLYPH : glyph_table.cells[kind];
            }
        }
        std::string title = "level " + std::to_string(level + 1) + ": ";
        std::string legend;
        if (v.answer == ANSWER_CLEARABLE) {
            std::vector<route_cell> route;
            replay_keys(stored, v.keys, &route);
            if (!colour) {
                // Every grubblet is under a route mark: say in which order
                // they go.
                std::string line = "eaten in this order:";
                int n = 0;
                for (cell_ref g : eaten_in_order(stored, route)) {
                    std::string item = std::string(n > 0 ? "," : "") + " " + std::to_string(n + 1) +
                                       " at " + line_column(report, level, g);
                    n++;
                    if (line.size() + item.size() > 79) {
                        legend += line + ",\n";
                        line = " " + item.substr(1);
                    } else {
                        line += item;
                    }
                }
                legend += line + "\n";
            }
            for (const route_cell &c : route) {
                glyph g = c.hurt ? glyph_table.trail_hurt : glyph_table.trail;
                if (!colour) {
                    g.ch = c.hurt ? PLAIN_ROUTE_HURT : PLAIN_ROUTE;
                }
                board[c.row][c.col] = g;
            }
            if (!route.empty()) {
                board[route.front().row][route.front().col] = glyph_table.player;
            }
            title += "the route of " +
                     count_text(static_cast<long>(v.keys.size()), "key press", "key presses");
        } else {
            for (cell_ref g : v.never_eaten) {
                board[g.row][g.col] = OUTCOME_GLYPH;
            }
            title += v.answer == ANSWER_NOT_CLEARABLE ? "cannot be cleared" : "not decided";
            if (!v.never_eaten.empty()) {
                title +=
                    "; " + std::string(1, OUTCOME_GLYPH.ch) + " marks the grubblets no play eats";
            }
        }
        out += title + "\n" + legend + board_text(board, colour) + "\n";
    }
    if (colour) {
        out += "On a route: red @ every cell stood on, bold red @ the painful part of a fall.\n";
    } else {
        out += std::string("On a route: @ the start, ") + PLAIN_ROUTE + " every cell stood on, " +
               PLAIN_ROUTE_HURT + " the painful part of a fall.\n";
    }
    return out;
}
