// Saving the shipped levels from the real game while the file system fails:
// a file size limit, a full disk, a disk that reports a write error or a
// quota when the save syncs, and a name that is no regular file. Each on a
// boards.txt that the save renames over and on one it must write in place (a
// second hard link), with LF and with CR LF line ends. After each the file is
// exactly the old one or exactly the new one and nothing else is left beside
// it; the game says whether the save worked, goes on, and gives the terminal
// back at the end.
#include "terminal_session.h"

#include <cerrno>
#include <csignal>
#include <cstddef>
#include <gtest/gtest.h>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <sys/mount.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

// The edit every case saves: the wall brush painted where the editor's
// cursor starts, level 1, row 12, column 40.
const char *const EDIT_AND_SAVE = "x/x sY";

std::string with_crlf(const std::string &lf) {
    std::string out;
    for (char ch : lf) {
        out += ch == '\n' ? std::string("\r\n") : std::string(1, ch);
    }
    return out;
}

// What the save should write: the shipped levels with that one wall, LF
// line ends, whatever line ends the old file had.
std::string saved_levels() {
    std::string levels = shipped_boards();
    levels[12 * 81 + 40] = '&';
    return levels;
}

bool can_mount_tmpfs() {
    char dir[] = "/tmp/grubblet-mount-XXXXXX";
    if (mkdtemp(dir) == nullptr) {
        return false;
    }
    bool ok = mount("tmpfs", dir, "tmpfs", 0, "size=16k") == 0;
    if (ok) {
        umount(dir);
    }
    rmdir(dir);
    return ok;
}

// A file size limit of 4096 bytes, as `ulimit -f 4` gives it, with SIGXFSZ
// at its default, which kills.
void limit_file_size() {
    signal(SIGXFSZ, SIG_DFL);
    rlimit limit = {4096, 4096};
    setrlimit(RLIMIT_FSIZE, &limit);
}

// Makes every call of the two system calls by this process and its children
// fail with error.
void fail_calls_with(int error, unsigned call, unsigned other_call) {
    sock_filter filter[] = {
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr)),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, call, 2, 0),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, other_call, 1, 0),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
        BPF_STMT(BPF_RET | BPF_K,
                 SECCOMP_RET_ERRNO | (static_cast<unsigned>(error) & SECCOMP_RET_DATA)),
    };
    sock_fprog program = {static_cast<unsigned short>(sizeof filter / sizeof filter[0]), filter};
    if (prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) != 0 ||
        prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &program) != 0) {
        _exit(124);
    }
}

// Every fsync fails, as on a disk that cannot write back what it was given
// (EIO), or a network file system that learns of the quota only then
// (EDQUOT). The kernel here has no tmpfs quotas to give EDQUOT for real.
void fail_syncs_with(int error) {
    fail_calls_with(error, SYS_fsync, SYS_fdatasync);
}

// Fills the rest of the file system the directory is on.
void fill_disk(const std::string &dir) {
    FILE *filler = fopen((dir + "/filler").c_str(), "w");
    static const char block[1024] = {};
    while (fwrite(block, 1, sizeof block, filler) == sizeof block && fflush(filler) == 0) {
    }
    fclose(filler);
}

enum fault { SIZE_LIMIT, FULL_DISK, SYNC_EIO, SYNC_EDQUOT, FULL_DISK_AND_TRUNCATE_EIO };

struct fault_case {
    const char *name;
    fault what;
    bool in_place;
    bool saved;                // whether the save works all the same
    bool three_levels = false; // the old file holds levels 1 to 3 only
    bool damaged = false;      // neither old nor new: the player is told
};

const fault_case CASES[] = {
    {"a file size limit, renamed", SIZE_LIMIT, false, false},
    {"a file size limit, in place", SIZE_LIMIT, true, false},
    {"a full disk, renamed", FULL_DISK, false, false},
    // Written over the old content, a whole level file needs no more room.
    {"a full disk, in place", FULL_DISK, true, true},
    {"an I/O error on syncing, renamed", SYNC_EIO, false, false},
    {"an I/O error on syncing, in place", SYNC_EIO, true, false},
    {"a quota on syncing, renamed", SYNC_EDQUOT, false, false},
    {"a quota on syncing, in place", SYNC_EDQUOT, true, false},
    // A shorter file must grow: the disk fills part way, the old content is
    // put back.
    {"a full disk, in place, three levels", FULL_DISK, true, false, true},
    // The same, and the disk refuses to cut the file back to its old length.
    {"a full disk and a failing truncate, in place, three levels", FULL_DISK_AND_TRUNCATE_EIO, true,
     false, true, true},
};

// The names in a directory, hidden ones included, sorted.
std::vector<std::string> names_in(const std::string &dir) {
    std::vector<std::string> names;
    FILE *ls = popen(("ls -A '" + dir + "'").c_str(), "r");
    char name[256];
    while (fgets(name, sizeof name, ls) != nullptr) {
        names.emplace_back(name, strcspn(name, "\n"));
    }
    pclose(ls);
    return names;
}

// Edits and saves in the game s, and checks what the player sees: success,
// or the writing error (and, where the file is left half written, that) and
// the edit still there.
void edit_and_save(terminal_session &s, bool saved, bool damaged = false) {
    s.type(EDIT_AND_SAVE);
    if (saved) {
        EXPECT_EQ(s.text(0, 0, 15), "Save successful") << s.dump();
        s.type("x");
        return;
    }
    EXPECT_EQ(s.text(0, 0, 46), "Error: couldn't access boards.txt for writing.") << s.dump();
    EXPECT_EQ(s.text(1, 0, 13), "press any key");
    s.type("x");
    if (damaged) {
        EXPECT_EQ(s.text(0, 0, 51), "Error: boards.txt is left half written; save again.");
        EXPECT_EQ(s.text(1, 0, 13), "press any key");
        s.type("x");
    }
    EXPECT_EQ(s.text(3, 0, 12), "saving error");
    s.type("x");
    EXPECT_EQ(s.cell(12, 40).ch, "&") << "the edit is still there";
    EXPECT_TRUE(s.running());
}

// Quits from the editor: the game ends normally and the terminal is back.
void quit(terminal_session &s) {
    s.type("q");
    EXPECT_EQ(s.wait_exit(), 0);
    EXPECT_TRUE(s.terminal_modes_restored());
    EXPECT_FALSE(s.alternate_screen());
}

} // namespace

TEST(save_faults, every_fault_leaves_the_old_file_or_the_new_one_whole) {
    if (getuid() != 0 || !can_mount_tmpfs()) {
        GTEST_SKIP() << "mounting a tmpfs needs root; the unit tests of the file cover the rest";
    }
    const std::string lf = shipped_boards();
    ASSERT_EQ(lf.size(), 17505u);
    const std::string saved = saved_levels();
    ASSERT_NE(saved, lf);

    for (const fault_case &c : CASES) {
        for (bool crlf : {false, true}) {
            SCOPED_TRACE(std::string(c.name) + (crlf ? ", CR LF" : ", LF"));
            const std::string whole = c.three_levels ? lf.substr(0, 3 * 1945) : lf;
            const std::string old = crlf ? with_crlf(whole) : whole;
            session_options options;
            options.boards = old;
            options.tmpfs_kib = 64;
            std::vector<std::string> names_before;
            options.prepare = [&](const std::string &dir) {
                if (c.in_place) {
                    link((dir + "/boards.txt").c_str(), (dir + "/second-name.txt").c_str());
                }
                if (c.what == FULL_DISK || c.what == FULL_DISK_AND_TRUNCATE_EIO) {
                    fill_disk(dir);
                }
                names_before = names_in(dir);
            };
            switch (c.what) {
            case SIZE_LIMIT: options.before_exec = limit_file_size; break;
            case FULL_DISK: break;
            case SYNC_EIO: options.before_exec = [] { fail_syncs_with(EIO); }; break;
            case SYNC_EDQUOT: options.before_exec = [] { fail_syncs_with(EDQUOT); }; break;
            case FULL_DISK_AND_TRUNCATE_EIO:
                options.before_exec = [] { fail_calls_with(EIO, SYS_ftruncate, SYS_truncate); };
                break;
            }
            terminal_session s(options);
            edit_and_save(s, c.saved, c.damaged);
            if (c.damaged) {
                std::optional<std::string> left = s.read_file("boards.txt");
                ASSERT_TRUE(left);
                EXPECT_NE(*left, old);
                EXPECT_NE(*left, saved);
                EXPECT_EQ(left->substr(0, old.size()), old) << "the old levels are back in front";
            } else {
                EXPECT_EQ(s.read_file("boards.txt"), c.saved ? saved : old);
            }
            EXPECT_EQ(names_in(s.dir()), names_before) << "nothing left beside it";
            if (c.in_place) {
                EXPECT_EQ(s.read_file("second-name.txt"), s.read_file("boards.txt"));
            }
            quit(s);
        }
    }
}

namespace {

// What a name is: the thing itself and, through links, what it leads to.
std::string describe(const std::string &path) {
    struct stat here, there;
    std::string out = lstat(path.c_str(), &here) == 0
                          ? std::to_string(here.st_mode) + "/" + std::to_string(here.st_ino) + "/" +
                                std::to_string(here.st_rdev)
                          : "missing";
    return out +
           (stat(path.c_str(), &there) == 0
                ? " -> " + std::to_string(there.st_mode) + "/" + std::to_string(there.st_ino) +
                      "/" + std::to_string(there.st_rdev) + "/" + std::to_string(there.st_size)
                : " -> missing");
}

// Puts a unix socket at path; the socket stays bound until the test ends.
bool make_socket(const std::string &path) {
    int fd = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address = {};
    address.sun_family = AF_UNIX;
    if (fd < 0 || path.size() >= sizeof address.sun_path) {
        return false;
    }
    strcpy(address.sun_path, path.c_str());
    bool ok = bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0;
    close(fd);
    return ok;
}

} // namespace

// Only a regular file is ever written: behind boards.txt a device, a pipe, a
// socket or a directory makes the save fail and stays as it was. A symbolic
// link to a regular file stays a link, and the file it leads to is saved.
TEST(save_faults, only_a_regular_file_is_written) {
    if (getuid() != 0) {
        GTEST_SKIP() << "making a device node needs root";
    }
    struct kind_case {
        const char *name;
        bool saved;
        // Puts the thing at boards.txt once the game has loaded its levels.
        bool (*make)(const std::string &dir);
    };
    const kind_case cases[] = {
        {"a link to a character device", false,
         [](const std::string &dir) {
             // The same device as /dev/null.
             return mknod((dir + "/null").c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0 &&
                    symlink("null", (dir + "/boards.txt").c_str()) == 0;
         }},
        {"a character device", false,
         [](const std::string &dir) {
             return mknod((dir + "/boards.txt").c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0;
         }},
        {"a FIFO", false,
         [](const std::string &dir) { return mkfifo((dir + "/boards.txt").c_str(), 0666) == 0; }},
        {"a socket", false,
         [](const std::string &dir) { return make_socket(dir + "/boards.txt"); }},
        {"a link to a directory", false,
         [](const std::string &dir) {
             return mkdir((dir + "/levels").c_str(), 0755) == 0 &&
                    symlink("levels", (dir + "/boards.txt").c_str()) == 0;
         }},
        {"a link to a regular file", true,
         [](const std::string &dir) {
             return rename((dir + "/boards.txt").c_str(), (dir + "/mine.txt").c_str()) == 0 &&
                    symlink("mine.txt", (dir + "/boards.txt").c_str()) == 0;
         }},
    };
    const std::string levels = shipped_boards();
    for (const kind_case &c : cases) {
        SCOPED_TRACE(c.name);
        session_options options;
        options.boards = levels;
        terminal_session s(options);
        if (!c.saved) {
            ASSERT_EQ(unlink(s.path("boards.txt").c_str()), 0);
        }
        ASSERT_TRUE(c.make(s.dir()));
        const std::string before = describe(s.path("boards.txt"));
        const std::vector<std::string> names_before = names_in(s.dir());
        edit_and_save(s, c.saved);
        if (c.saved) {
            EXPECT_EQ(s.read_file("mine.txt"), saved_levels());
            struct stat st;
            ASSERT_EQ(lstat(s.path("boards.txt").c_str(), &st), 0);
            EXPECT_TRUE(S_ISLNK(st.st_mode));
        } else {
            EXPECT_EQ(describe(s.path("boards.txt")), before);
        }
        EXPECT_EQ(names_in(s.dir()), names_before);
        quit(s);
    }
}
