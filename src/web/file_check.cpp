// The warnings about a boards.txt opened in the page, as the level checker
// gives them: what the game's tolerant reader will silently make of it, so
// that the player sees why an odd file plays as it does.
#include "../levels/levels.h"

#include <cstdio>
#include <emscripten.h>

// The warnings about the game's boards.txt, one line each, as the checker
// prints them; empty when there are none.
extern "C" EMSCRIPTEN_KEEPALIVE const char *boards_file_warnings() {
    static std::string lines;
    std::string content;
    if (std::FILE *file = std::fopen("boards.txt", "rb")) {
        char block[4096];
        for (std::size_t n; (n = std::fread(block, 1, sizeof block, file)) > 0;) {
            content.append(block, n);
        }
        std::fclose(file);
    }
    lines.clear();
    for (const file_warning &w : scan_level_file(content)) {
        lines += warning_line("boards.txt", w);
    }
    return lines.c_str();
}
