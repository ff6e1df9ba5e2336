// Fuzzing the level file reader alone, as fast as it goes: any bytes at all
// load without a crash, a leak or undefined behaviour, and leave every cell
// one of the five kinds.
#include "read_bytes.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    empty_levels();
    read_bytes(reinterpret_cast<const char *>(data), size);
    expect_valid_cells();
    return 0;
}
