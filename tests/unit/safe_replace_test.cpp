// The crash-safe replacement with bytes that are no level file, in a fresh
// directory per test; the level file's own saves are tested with the level
// file.
#include "levels/levels.h"
#include "rules_test_support.h"

#include <cstdio>
#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

class safe_replace_test : public ::testing::Test {
  protected:
    void SetUp() override {
        char dir[] = "/tmp/grubblet-replace-XXXXXX";
        ASSERT_NE(mkdtemp(dir), nullptr);
        dir_ = dir;
        std::ofstream(path("data"), std::ios::binary) << "the old content, longer than the new";
    }
    void TearDown() override {
        remove_tree(dir_);
    }
    std::string path(const char *name) const {
        return dir_ + "/" + name;
    }
    replace_result replace(const char *name, const std::string &content) {
        return replace_file(path(name).c_str(), content.data(), content.size(), ".data.XXXXXX");
    }

    std::string dir_;
};

const std::string NEW_CONTENT("new\0bytes\r\n", 11);

} // namespace

TEST_F(safe_replace_test, any_bytes_replace_the_file_at_the_end_of_a_link) {
    ASSERT_EQ(chmod(path("data").c_str(), 0640), 0);
    ASSERT_EQ(symlink("data", path("link").c_str()), 0);
    EXPECT_EQ(replace("link", NEW_CONTENT), REPLACED);
    EXPECT_EQ(slurp(path("data")), NEW_CONTENT);
    struct stat st;
    ASSERT_EQ(lstat(path("link").c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    ASSERT_EQ(stat(path("data").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
}

TEST_F(safe_replace_test, a_file_of_two_names_is_rewritten_in_place_and_cut_to_length) {
    ASSERT_EQ(link(path("data").c_str(), path("other").c_str()), 0);
    EXPECT_EQ(replace("data", NEW_CONTENT), REPLACED);
    EXPECT_EQ(slurp(path("other")), NEW_CONTENT);
}

TEST_F(safe_replace_test, a_new_file_is_made_and_a_directory_left_alone) {
    EXPECT_EQ(replace("fresh", NEW_CONTENT), REPLACED);
    EXPECT_EQ(slurp(path("fresh")), NEW_CONTENT);
    ASSERT_EQ(mkdir(path("folder").c_str(), 0755), 0);
    EXPECT_EQ(replace("folder", NEW_CONTENT), NOT_REPLACED);
}
