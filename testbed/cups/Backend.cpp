// The testbed's CUPS backend, "tavrin-testbed". A queue made with the
// device URI tavrin-testbed:/path/to/world hands every job to the virtual
// printer of that world: the bytes are kept as jobs/NNNN.bin with the job's
// title beside them, and the call log gets one line per job.
#include "EscInterpreter.h"
#include "Testbed.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

std::vector<std::uint8_t> ReadAll(std::FILE* in)
{
    std::vector<std::uint8_t> data;
    std::uint8_t buf[8192];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, in)) > 0) data.insert(data.end(), buf, buf + n);
    return data;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 1) {
        std::puts("direct tavrin-testbed \"Unknown\" \"Tavrin testbed card printer\"");
        return 0;
    }
    if (argc < 6 || argc > 7) {
        std::fprintf(stderr, "Usage: %s job-id user title copies options [file]\n", argv[0]);
        return 1;
    }
    const char* uri = std::getenv("DEVICE_URI");
    std::string dir = uri ? uri : "";
    const auto colon = dir.find(':');
    dir = colon == std::string::npos ? std::string() : dir.substr(colon + 1);
    if (dir.empty()) {
        std::fputs("ERROR: no world directory in the device URI\n", stderr);
        return 1;
    }
    const testbed::World world(dir);

    std::FILE* in = argc == 7 ? std::fopen(argv[6], "rb") : stdin;
    if (!in) return 1;
    const auto data = ReadAll(in);
    if (in != stdin) std::fclose(in);

    const std::string jobs = world.Path("jobs");
    ::mkdir(jobs.c_str(), 0777);
    char id[32];
    std::snprintf(id, sizeof id, "%04d", std::atoi(argv[1]));
    std::ofstream(jobs + "/" + id + ".bin", std::ios::binary)
        .write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
    std::ofstream(jobs + "/" + id + ".title") << argv[3];
    world.Log("cups", std::string("job ") + id + " \"" + argv[3] + "\" " + testbed::Printable(data));
    testbed::DeliverJob(world, data);
    return 0;
}
