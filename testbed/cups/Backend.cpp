// The testbed's CUPS backend, "tavrin-testbed". A queue made with the
// device URI tavrin-testbed:/path/to/world hands every job to the virtual
// printer of that world: the bytes are kept as jobs/NNNN.bin with the job's
// title beside them, and the call log gets one line per job.
//
// The device can be made to misbehave with the world's scenario:
//   [cups]
//   delay_ms=3000      the device takes this long before it takes a job
//   delivery=fail      the device cannot be reached: the backend fails, and
//                      CUPS stops the queue (its error policy)
//   delivery=refuse    the printer refuses the document, as an IPP printer
//                      answers "Unsupported document-format": the job ends
#include "EscInterpreter.h"
#include "Testbed.h"

#include <cups/backend.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
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

    char id[32];
    std::snprintf(id, sizeof id, "%04d", std::atoi(argv[1]));
    // A cancelled job ends this process while it waits: nothing is delivered.
    if (const int delay = world.ScenarioInt("cups", "delay_ms", 0); delay > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(delay));
    // A device that does not take the job, in the words its backend would use.
    static constexpr struct {
        const char* delivery;
        const char* says;
        int status;  // CUPS stops the queue on FAILED; CANCEL ends the job
    } kNotDelivered[] = {
        {"fail", "The device cannot be reached", CUPS_BACKEND_FAILED},
        {"refuse", "Unsupported document-format", CUPS_BACKEND_CANCEL},
    };
    const std::string delivery = world.Scenario("cups", "delivery", "ok");
    for (const auto& n : kNotDelivered) {
        if (delivery != n.delivery) continue;
        world.Log("cups", std::string("job ") + id + " not delivered: " + n.says);
        std::fprintf(stderr, "ERROR: %s\n", n.says);
        return n.status;
    }

    const std::string jobs = world.Path("jobs");
    ::mkdir(jobs.c_str(), 0777);
    std::ofstream(jobs + "/" + id + ".bin", std::ios::binary)
        .write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
    std::ofstream(jobs + "/" + id + ".title") << argv[3];
    world.Log("cups", std::string("job ") + id + " \"" + argv[3] + "\" " + testbed::Printable(data));
    testbed::DeliverJob(world, data);
    return CUPS_BACKEND_OK;
}
