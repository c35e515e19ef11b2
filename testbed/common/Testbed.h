#pragma once
// What every stand-in of the testbed shares: the directory of one test's
// virtual world, the call log and the scenario.
//
// A world is a directory (named by TAVRIN_TESTBED_DIR for stand-ins loaded
// into a process; by the queue's device URI for the CUPS backend) holding
//   scenario.ini  answers the stand-ins give, one section per component;
//                 absent keys mean the happy path
//   calls.log     one line per call, appended in order by every stand-in:
//                 "<component>: <call and its arguments> = <result>"
//   printer.ini   the virtual card printer's state (VirtualPrinter.h)
//   jobs/         raw jobs the CUPS backend received (NNNN.bin, NNNN.title)
// Without a world directory stand-ins log nothing and take the happy path.
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace testbed {

class World {
public:
    explicit World(std::string dir);
    static World FromEnvironment();

    World() = default;
    const std::string& Dir() const { return dir_; }
    bool Exists() const { return !dir_.empty(); }

    void Log(std::string_view component, std::string_view text) const;
    std::string Scenario(std::string_view section, std::string_view key, std::string_view def = "") const;
    int ScenarioInt(std::string_view section, std::string_view key, int def) const;

    std::string Path(std::string_view name) const;

private:
    std::string dir_;
};

// "1B 4D 53 0D"
std::string Hex(std::span<const std::uint8_t> bytes);
// Printable ASCII as is, everything else as <XX>: "<1B>MS<0D>"
std::string Printable(std::span<const std::uint8_t> bytes);

} // namespace testbed
