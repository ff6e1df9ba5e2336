// grubblet-check as a level designer runs it: on the shipped levels, on a
// level that cannot be won, on a file that cannot be read, and with --help.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace {

struct run_result {
    int status;
    std::string out;
    std::string err;
};

// Runs the checker in a directory with more environment variables.
run_result run_checker_in(const std::string &dir, const std::string &env, const std::string &args) {
    char err_path[] = "/tmp/grubblet-check-err-XXXXXX";
    int fd = mkstemp(err_path);
    close(fd);
    std::string command = (dir.empty() ? "" : "cd " + dir + " && ") + env + " " + GRUBBLET_CHECK +
                          " " + args + " 2>" + err_path;
    FILE *pipe = popen(command.c_str(), "r");
    run_result result;
    char buf[4096];
    std::size_t n;
    while ((n = fread(buf, 1, sizeof buf, pipe)) > 0) {
        result.out.append(buf, n);
    }
    int status = pclose(pipe);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    std::ifstream in(err_path);
    result.err.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    unlink(err_path);
    return result;
}

run_result run_checker(const std::string &args) {
    return run_checker_in("", "", args);
}

} // namespace

TEST(checker_cli, every_shipped_level_can_be_cleared) {
    run_result r = run_checker(GRUBBLET_SHIPPED_BOARDS);
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_NE(r.out.find("all 9 levels can be cleared"), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find("not proven shortest"), std::string::npos) << r.out;
    EXPECT_EQ(r.err, "");
    // The pits of level 2 are traps by design, for short jumps: notes, and
    // no warning at all.
    const std::string pit = std::string(GRUBBLET_SHIPPED_BOARDS) +
                            ":49:13-14: note: level 2: a trap: a player who comes to rest here "
                            "having eaten at most 2 grubblets can never clear the level; only r "
                            "helps\n";
    EXPECT_NE(r.out.find(pit), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find("warning"), std::string::npos) << r.out;
    std::size_t notes = 0;
    for (std::size_t at = r.out.find(": note: "); at != std::string::npos;
         at = r.out.find(": note: ", at + 1)) {
        notes++;
        EXPECT_EQ(r.out.compare(r.out.rfind('\n', at) + 1, std::strlen(GRUBBLET_SHIPPED_BOARDS),
                                GRUBBLET_SHIPPED_BOARDS),
                  0);
    }
    EXPECT_EQ(r.out.find(": note: level 1:"), std::string::npos) << r.out;
    EXPECT_GT(notes, 3u);
}

TEST(checker_cli, a_level_that_cannot_be_won_fails_the_check) {
    char path[] = "/tmp/grubblet-check-boards-XXXXXX";
    int fd = mkstemp(path);
    close(fd);
    std::string level(24 * 81, '.');
    for (int r = 0; r < 24; r++) {
        level[static_cast<std::size_t>(r * 81 + 80)] = '\n';
    }
    level[0] = '@';
    level[81 * 10 + 40] = '='; // far above the floor the player falls to
    std::ofstream(path) << level;
    run_result r = run_checker(path);
    unlink(path);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.out.find("level 1: cannot be cleared"), std::string::npos) << r.out;
    // Levels 2 to 9 are empty: no start, no grubblet, cleared at once.
    EXPECT_NE(r.out.find("level 9 has no grubblet"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("level 2: clearable in 0 key presses"), std::string::npos) << r.out;
}

TEST(checker_cli, a_file_that_cannot_be_read_is_reported_on_standard_error) {
    run_result r = run_checker("/nonexistent/boards.txt");
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err,
              "grubblet-check: cannot read /nonexistent/boards.txt: No such file or directory\n");

    r = run_checker("/tmp");
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "grubblet-check: cannot read /tmp: a directory, not a level file\n");

    // A pipe or a device is no level file, and is not waited on.
    r = run_checker("/dev/zero");
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err,
              "grubblet-check: cannot read /dev/zero: a character device, not a level file\n");
}

// Without a file, the checker finds the levels as the installed grubblet
// command plays them, and says which file it checked: boards.txt here, else
// the player's own copy under XDG_DATA_HOME or ~/.local/share.
TEST(checker_cli, without_a_file_it_checks_the_levels_the_game_would_play) {
    char home[] = "/tmp/grubblet-check-home-XXXXXX";
    ASSERT_NE(mkdtemp(home), nullptr);
    const std::string h = home;
    const std::string own = h + "/.local/share/grubblet";
    ASSERT_EQ(std::system(("mkdir -p " + own + " " + h + "/xdg/grubblet " + h + "/pack").c_str()),
              0);
    std::string empty_level(24 * 81 + 1, '.');
    for (int r = 0; r < 24; r++) {
        empty_level[static_cast<std::size_t>(r * 81 + 80)] = '\n';
    }
    empty_level.back() = '\n';
    std::ifstream shipped(GRUBBLET_SHIPPED_BOARDS);
    std::ofstream(own + "/boards.txt") << shipped.rdbuf();
    std::ofstream(h + "/xdg/grubblet/boards.txt") << empty_level; // short: warned about
    std::ofstream(h + "/pack/boards.txt") << empty_level << empty_level;

    run_result r = run_checker_in(h, "HOME=" + h + " XDG_DATA_HOME=", "");
    EXPECT_EQ(r.err, "grubblet-check: checking " + own + "/boards.txt\n");
    EXPECT_NE(r.out.find("all 9 levels can be cleared"), std::string::npos) << r.out;

    r = run_checker_in(h, "HOME=" + h + " XDG_DATA_HOME=" + h + "/xdg", "");
    EXPECT_EQ(r.err, "grubblet-check: checking " + h + "/xdg/grubblet/boards.txt\n");
    EXPECT_NE(r.out.find(h + "/xdg/grubblet/boards.txt: warning"), std::string::npos) << r.out;

    r = run_checker_in(h + "/pack", "HOME=" + h, "");
    EXPECT_EQ(r.err, "grubblet-check: checking boards.txt\n");
    EXPECT_EQ(r.out.rfind("boards.txt: warning: the file holds 3840 cell characters", 0), 0u)
        << r.out;

    // Nowhere holds levels (unless some are installed): it says where it
    // looked and how to make some.
    ASSERT_EQ(std::system(("mkdir " + h + "/none").c_str()), 0);
    r = run_checker_in(h + "/none", "HOME=" + h + "/none XDG_DATA_HOME=", "");
    if (r.err.rfind("grubblet-check: checking boards.txt\n", 0) == 0) {
        EXPECT_EQ(r.status, 2);
        EXPECT_EQ(r.err.rfind("grubblet-check: checking boards.txt\n"
                              "grubblet-check: cannot read boards.txt: No such file or directory\n"
                              "grubblet-check: none at " +
                                  h + "/none/.local/share/grubblet/boards.txt or ",
                              0),
                  0u)
            << r.err;
        EXPECT_NE(r.err.find("/boards.txt either; name a level file, or make one: grubblet-gen "
                             "-o boards.txt\n"),
                  std::string::npos)
            << r.err;
    }
    EXPECT_EQ(std::system(("rm -rf " + h).c_str()), 0);
}

TEST(checker_cli, help_and_bad_arguments) {
    run_result r = run_checker("--help");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out.rfind("Usage: grubblet-check [--json | --route] [--strict] [--max-states N] "
                          "[--jobs N] [FILE]\n\n",
                          0),
              0u)
        << r.out;
    EXPECT_NE(r.out.find("(default 1000000)"), std::string::npos) << r.out;
    r = run_checker("--frobnicate");
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "grubblet-check: unknown option --frobnicate\n"
                     "Try 'grubblet-check --help' for more.\n");
    r = run_checker("a b");
    EXPECT_EQ(r.status, 2);
    // States are numbered in 32 bits: past that, a clear no.
    for (const char *limit : {"0", "2000000001"}) {
        r = run_checker(std::string("--max-states ") + limit);
        EXPECT_EQ(r.status, 2);
        EXPECT_NE(r.err.find("--max-states needs a whole number"), std::string::npos) << r.err;
    }
    r = run_checker("--json --route");
    EXPECT_EQ(r.status, 2);
}

namespace {

// A level file: level 1 won by two sprints along the floor, level 2 with a
// grubblet walled in, the rest without grubblets (cleared at once).
std::string write_small_file() {
    char path[] = "/tmp/grubblet-check-small-XXXXXX";
    int fd = mkstemp(path);
    close(fd);
    std::string row(80, '.'), floor(80, '&');
    std::string file;
    for (int level = 0; level < 9; level++) {
        for (int r = 0; r < 24; r++) {
            std::string line = r == 23 ? floor : row;
            if (level < 2 && r == 22) {
                line[2] = '@';
                line[level == 0 ? 8 : 40] = '=';
            }
            if (level == 1 && r >= 9 && r <= 11) {
                line.replace(39, 3, r == 10 ? "&=&" : "&&&");
            }
            file += line + "\n";
        }
        file += "\n";
    }
    std::ofstream(path) << file;
    return path;
}

} // namespace

TEST(checker_cli, json_report_for_scripts) {
    std::string path = write_small_file();
    run_result r = run_checker("--json " + path);
    EXPECT_EQ(r.status, 1) << r.err;
    nlohmann::json report = nlohmann::json::parse(r.out);
    EXPECT_EQ(report["file"], path);
    ASSERT_EQ(report["levels"].size(), 9u);
    const nlohmann::json &won = report["levels"][0];
    EXPECT_EQ(won["level"], 1);
    EXPECT_EQ(won["clearable"], true);
    EXPECT_EQ(won["keys"], "66");
    EXPECT_EQ(won["shortest"], true);
    EXPECT_EQ(won["at_least"], 2);
    EXPECT_EQ(won["never_eaten"], nlohmann::json::array());
    const nlohmann::json &lost = report["levels"][1];
    // Two sprints on a flat floor: nothing to fear, the tummy at 98 before
    // the last one; 2 x 1 x 1.02.
    EXPECT_EQ(won["difficulty"],
              nlohmann::json::parse(R"({"score": 2.0, "keys": 2, "risk": 0, "lowest_tummy": 98})"));
    EXPECT_TRUE(report["levels"][1]["difficulty"].is_null());
    EXPECT_EQ(lost["clearable"], false);
    EXPECT_TRUE(lost["keys"].is_null());
    EXPECT_EQ(lost["never_eaten"], nlohmann::json::parse(R"([{"line": 36, "column": 41}])"));
    EXPECT_NE(lost["reason"].get<std::string>().find("can never be eaten"), std::string::npos);
    // The empty levels are warned about, with their first line.
    EXPECT_EQ(report["warnings"][0]["line"], 51);
    EXPECT_GT(report["levels"][2]["states"], 0);

    // Out of states: not decided, as null.
    r = run_checker("--json --max-states 1 " + path);
    report = nlohmann::json::parse(r.out);
    EXPECT_TRUE(report["levels"][0]["clearable"].is_null());
    EXPECT_TRUE(report["levels"][0]["keys"].is_null());
    unlink(path.c_str());
}

TEST(checker_cli, route_drawn_over_the_level) {
    std::string path = write_small_file();
    run_result r = run_checker("--route " + path);
    unlink(path.c_str());
    EXPECT_EQ(r.status, 1);
    // Not a terminal: no colour, and the route in marks of its own.
    EXPECT_EQ(r.out.find('\033'), std::string::npos);
    // Two sprints: up one, across three, down one, from the start '@'.
    std::string route = "..*******" + std::string(71, '.') + "\n" + "..@..*..*" +
                        std::string(71, '.') + "\n" + std::string(80, '&') + "\n";
    std::size_t level1 = r.out.find("level 1: the route of 2 key presses\n");
    ASSERT_NE(level1, std::string::npos) << r.out;
    // Above it, the order the grubblets are eaten in, where `*` hides them.
    const std::string order = "eaten in this order: 1 at 23:9\n";
    EXPECT_EQ(r.out.find(order, level1), level1 + 36) << r.out;
    EXPECT_EQ(r.out.find(route, level1), level1 + 36 + order.size() + 21 * 81) << r.out;
    std::size_t level2 =
        r.out.find("level 2: cannot be cleared; ! marks the grubblets no play eats\n");
    ASSERT_NE(level2, std::string::npos) << r.out;
    EXPECT_NE(r.out.find(std::string(39, '.') + "&!&", level2), std::string::npos);
}

TEST(checker_cli, traps_limits_and_strict_for_a_level_pack) {
    // Traps in JSON: a run of places, and the condition it holds under.
    run_result r = run_checker("--json " GRUBBLET_SHIPPED_BOARDS);
    nlohmann::json report = nlohmann::json::parse(r.out);
    EXPECT_EQ(report["levels"][1]["traps"][0],
              nlohmann::json::parse(
                  R"({"line": 49, "column": 13, "last_column": 14, "eaten_at_most": 2})"));
    EXPECT_EQ(report["levels"][4]["traps"][1]["eaten_at_most"], nullptr);

    // --max-states bounds all the work on a level, and the figures of a
    // level not decided add up to the states it reports.
    r = run_checker("--json --max-states 100 " GRUBBLET_SHIPPED_BOARDS);
    report = nlohmann::json::parse(r.out);
    for (const nlohmann::json &level : report["levels"]) {
        EXPECT_LE(level["states"].get<long>(), 100);
        EXPECT_TRUE(level["clearable"] != true || level["at_least"].get<std::size_t>() <=
                                                      level["keys"].get<std::string>().size());
        const std::string reason = level["reason"];
        long sum = 0;
        for (std::size_t at = reason.find("after "); at != std::string::npos;
             at = reason.find("after ", at + 1)) {
            sum += std::stol(reason.substr(at + 6));
        }
        EXPECT_EQ(sum, level["states"].get<long>()) << reason;
    }
    // Too few states to prove a win shortest: the text says how close it
    // came. A floor strewn with 26 grubblets, every third cell.
    char floor_path[] = "/tmp/grubblet-check-floor-XXXXXX";
    close(mkstemp(floor_path));
    {
        std::string floor(80, '.');
        for (int col = 2; col < 78; col += 3) {
            floor[static_cast<std::size_t>(col)] = '=';
        }
        floor[40] = '@';
        std::ofstream out(floor_path);
        for (int row = 0; row < 23; row++) {
            out << std::string(80, '.') << '\n';
        }
        out << floor << '\n';
    }
    r = run_checker(std::string("--max-states 2000 ") + floor_path);
    unlink(floor_path);
    EXPECT_NE(r.out.find("level 1: clearable in "), std::string::npos) << r.out;
    EXPECT_NE(r.out.find(" key presses (a winning sequence, not proven shortest; at least "),
              std::string::npos)
        << r.out;

    // An empty file is what the game reads as nine empty levels: cleared,
    // but not what a level pack means; --strict fails it.
    char path[] = "/tmp/grubblet-check-empty-XXXXXX";
    close(mkstemp(path));
    r = run_checker(path);
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("all 9 levels can be cleared"), std::string::npos) << r.out;
    r = run_checker(std::string("--strict ") + path);
    EXPECT_EQ(r.status, 1);
    // The pits of level 2 are designed traps: notes, which pass.
    r = run_checker(std::string("--strict ") + GRUBBLET_SHIPPED_BOARDS);
    EXPECT_EQ(r.status, 0) << r.out;
    // A warning about the whole file has no line or column.
    r = run_checker(std::string("--json ") + path);
    unlink(path);
    report = nlohmann::json::parse(r.out);
    const nlohmann::json &whole = report["warnings"].back();
    EXPECT_TRUE(whole["line"].is_null()) << whole;
    EXPECT_TRUE(whole["column"].is_null()) << whole;
}

TEST(checker_cli, the_report_is_the_same_however_many_levels_are_checked_at_once) {
    const std::string file = GRUBBLET_SHIPPED_BOARDS;
    for (const char *report : {"--json", "--route"}) {
        SCOPED_TRACE(report);
        const run_result alone = run_checker(std::string(report) + " --jobs 1 " + file);
        ASSERT_EQ(alone.status, 0) << alone.err;
        for (const char *jobs : {"2", "9"}) {
            const run_result many =
                run_checker(std::string(report) + " --jobs " + jobs + " " + file);
            EXPECT_EQ(many.status, 0);
            EXPECT_TRUE(many.out == alone.out) << "with " << jobs << " at once";
        }
    }
}

TEST(checker_cli, a_report_that_cannot_be_written_fails) {
    const std::string command =
        std::string(GRUBBLET_CHECK) + " " + GRUBBLET_SHIPPED_BOARDS + " >/dev/full 2>/dev/null";
    const int status = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 2);
}
