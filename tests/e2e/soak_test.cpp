// Random key streams: thousands of keys, drawn from every play and editor
// key and from keys and escape sequences the game does not know, across both
// modes and many levels, with confirmations answered both ways. The program
// must never crash or hang, never draw beyond the screen, and change
// boards.txt only on a confirmed save.
#include "terminal_session.h"

#include <gtest/gtest.h>
#include <random>

namespace {

const int KEYS_PER_SEED = 2500;

// One key as a user sends it: typed text, a special key, or raw bytes.
struct random_key {
    enum { text, special, raw } kind;
    std::string bytes;
    VTermKey key;
    VTermModifier mod;
};

struct weighted {
    int weight;
    random_key key;
};

random_key typed(const std::string &s) {
    return {random_key::text, s, VTERM_KEY_NONE, VTERM_MOD_NONE};
}
random_key special(VTermKey k, VTermModifier m = VTERM_MOD_NONE) {
    return {random_key::special, "", k, m};
}
random_key raw(const std::string &s) {
    return {random_key::raw, s, VTERM_KEY_NONE, VTERM_MOD_NONE};
}

std::vector<weighted> key_table() {
    std::vector<weighted> table;
    for (char c : std::string("0134679")) {
        table.push_back({6, typed(std::string(1, c))});
    }
    for (char c : std::string("2568")) {
        table.push_back({8, typed(std::string(1, c))});
    }
    for (char c : std::string("rR[]xXzZcCfF ")) {
        table.push_back({3, typed(std::string(1, c))});
    }
    table.push_back({6, typed("/")});
    for (char c : std::string("sSlL")) {
        table.push_back({2, typed(std::string(1, c))});
    }
    table.push_back({10, typed("Y")});
    table.push_back({4, typed("y")});
    table.push_back({1, typed("q")});
    for (char c : std::string("abnN.-=&@!~\x7f\x03\x1a\x1c")) {
        table.push_back({1, typed(std::string(1, c))});
    }
    for (VTermKey k : {VTERM_KEY_UP, VTERM_KEY_DOWN, VTERM_KEY_LEFT, VTERM_KEY_RIGHT}) {
        table.push_back({5, special(k)});
        table.push_back({3, special(k, VTERM_MOD_CTRL)});
        table.push_back({1, special(k, VTERM_MOD_SHIFT)});
    }
    table.push_back({4, special(VTERM_KEY_TAB)});
    table.push_back({2, special(VTERM_KEY_ENTER)});
    table.push_back({2, special(VTERM_KEY_ESCAPE)});
    table.push_back({1, special(VTERM_KEY_BACKSPACE)});
    table.push_back({1, special(static_cast<VTermKey>(VTERM_KEY_FUNCTION(1)))});
    table.push_back({1, special(VTERM_KEY_HOME)});
    for (const char *seq : {"\x1b[200~", "\x1b[201~", "\x1bOP", "\x1b[3~", "\x1b[1;2A",
                            "\x1b[99;99H", "\x1b\x1b", "\x1b[", "\x1b[1;5", "\xff\xfe"}) {
        table.push_back({1, raw(seq)});
    }
    return table;
}

class soak : public ::testing::TestWithParam<unsigned> {};

} // namespace

TEST_P(soak, random_keys_never_crash_hang_or_lose_a_level) {
    std::mt19937 random(GetParam());
    std::vector<weighted> table = key_table();
    std::vector<int> weights;
    for (const weighted &w : table) {
        weights.push_back(w.weight);
    }
    std::discrete_distribution<std::size_t> pick(weights.begin(), weights.end());

    std::string on_disk = shipped_boards();
    int saves = 0, runs = 1, editor_frames = 0, prompts = 0;
    session_options options;
    options.boards = on_disk;
    auto s = std::make_unique<terminal_session>(options);
    for (int i = 0; i < KEYS_PER_SEED && !HasFailure(); i++) {
        std::string prompt = s->text(0, 0, 32);
        bool save_prompt = prompt == "Confirm save with Y (upper case)";
        bool load_prompt = prompt == "Confirm load with Y (upper case)";
        // Confirmations are answered both ways: half of them with Y.
        static const random_key yes = typed("Y");
        const random_key &k =
            (save_prompt || load_prompt) && random() % 2 == 0 ? yes : table[pick(random)].key;
        switch (k.kind) {
        case random_key::text: s->type(k.bytes); break;
        case random_key::special: s->press(k.key, k.mod); break;
        case random_key::raw: s->send_raw(k.bytes); break;
        }
        ASSERT_EQ(s->scrolled_lines(), 0) << "key " << i << "\n" << s->dump();
        std::string now = *s->read_file("boards.txt");
        if (now != on_disk) {
            ASSERT_TRUE(save_prompt && k.kind == random_key::text && k.bytes == "Y")
                << "boards.txt changed without a confirmed save, key " << i;
            ASSERT_EQ(now.size(), 17505u);
            on_disk = now;
            saves++;
        }
        editor_frames += s->text(24, 0, 1) == "L";
        prompts += save_prompt || load_prompt;
        if (!s->running()) {
            // Quit, or the whole game won: both end normally. Start again on
            // what was saved.
            ASSERT_EQ(s->wait_exit(), 0) << "key " << i;
            EXPECT_TRUE(s->terminal_modes_restored());
            options.boards = on_disk;
            s = std::make_unique<terminal_session>(options);
            runs++;
        }
    }
    s->type("q");
    EXPECT_EQ(s->wait_exit(), 0);
    std::printf("seed %u: %d keys, %d runs, %d confirmations, %d saves, %d editor screens\n",
                GetParam(), KEYS_PER_SEED, runs, prompts, saves, editor_frames);
    // The stream must have reached both modes and the confirmations.
    EXPECT_GT(editor_frames, 0);
    EXPECT_GT(prompts, 0);
}

INSTANTIATE_TEST_SUITE_P(seeds, soak, ::testing::Values(1u, 2u, 3u, 4u));
