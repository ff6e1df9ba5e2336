// Crash-safe replacement of a file's whole content, for the level file's
// saves; it knows nothing of what the bytes mean.
//
// What must hold: whatever happens (a full disk, a failing write, a size
// limit, the game killed mid-way), the file is left exactly as it was or
// exactly as asked, and keeps what it was: its links, owner, group, mode and
// extended attributes.
#ifndef GRUBBLET_SAFE_REPLACE_H
#define GRUBBLET_SAFE_REPLACE_H

#include <cstddef>

// How a replacement ended: complete, failed with the file as it was, or
// failed with not even the old content put back. These are also the exit
// statuses of the writer process.
enum replace_result { REPLACED = 0, NOT_REPLACED = 1, HALF_WRITTEN = 2 };

// Puts the length bytes at content in the regular file at name, or in the
// file at the end of its symbolic links, creating it where there is none.
// temp_pattern names the temporary file beside it, with the XXXXXX mkstemp
// fills in. Runs in a writer process of its own where one can be started.
replace_result replace_file(const char *name, const char *content, std::size_t length,
                            const char *temp_pattern);

#endif
