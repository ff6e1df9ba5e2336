// What the page's in-memory file system lacks and the level file's save asks
// for: extended attributes. It keeps none, and says so as a file system
// without them does, so a save renames its new file into place.
#include <cerrno>
#include <sys/types.h>

extern "C" {

ssize_t listxattr(const char *, char *, size_t) {
    errno = ENOTSUP;
    return -1;
}

ssize_t getxattr(const char *, const char *, void *, size_t) {
    errno = ENOTSUP;
    return -1;
}

int fsetxattr(int, const char *, const void *, size_t, int) {
    errno = ENOTSUP;
    return -1;
}
}
