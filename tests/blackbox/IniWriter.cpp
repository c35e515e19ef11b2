// A tiny writer of configuration keys for the file-safety tests: it goes
// through the same code as every write of the program.
//   ini-writer FILE SECTION PREFIX COUNT [PAD]
// writes PREFIX0=0 .. PREFIX<COUNT-1>=<COUNT-1>, one write each; PAD: each
// value followed by that many dots, for writes that take a while.
// Prints "Error: <text>" and exits 1 when a write fails.
#include "platform/Error.h"
#include "platform/Profile.h"

#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char** argv)
{
    if (argc != 5 && argc != 6) {
        std::fprintf(stderr, "usage: ini-writer FILE SECTION PREFIX COUNT [PAD]\n");
        return 2;
    }
    const std::string file = argv[1], section = argv[2], prefix = argv[3];
    const int count = std::atoi(argv[4]);
    const std::string pad(argc == 6 ? static_cast<std::size_t>(std::atol(argv[5])) : 0, '.');
    try {
        for (int i = 0; i < count; ++i)
            platform::WriteProfileValue(file, section, prefix + std::to_string(i), std::to_string(i) + pad);
    } catch (const platform::Error& e) {
        std::fprintf(stderr, "Error: %s\n", e.what());
        return 1;
    }
    return 0;
}
