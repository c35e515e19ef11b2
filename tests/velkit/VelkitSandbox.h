#pragma once
// One test's Velto printer: a sandbox program directory holding libvelkit.so,
// the probe and the port-module stand-ins, a CUPS queue configured as a Velto
// printer on the given port, and the world the stand-ins log to.
#include "harness/Harness.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace velkittest {

struct ProbeRun {
    std::vector<std::string> lines;  // "<Name> = <result>[ outs]" per step
    std::vector<long> ms;            // elapsed per step
    std::string output;              // everything the probe printed
    int exitCode = -1;
};

class VelkitSandbox {
public:
    struct Options {
        bool scsiModule = true;
        bool usbModule = true;
        std::string scsiModuleFile = "libveltosio.so";
        std::string usbModuleFile = "libveltouio.so";
        bool driver = true;
    };

    explicit VelkitSandbox(const std::string& port, const std::vector<std::string>& lpadminOptions = {});
    VelkitSandbox(const std::string& port, const std::vector<std::string>& lpadminOptions, const Options& options);

    const std::string& Queue() const { return queue_; }
    harness::Sandbox& Box() { return box_; }

    void Scenario(const std::string& ini) const;

    // Runs the probe with steps; "$Q" in a step stands for the queue name.
    // Fails the test when the probe does not end cleanly (a leak or a fault
    // under the sanitizers ends it otherwise).
    ProbeRun Run(const std::vector<std::string>& steps) const;
    // Runs a script of "<step> -> <result>" lines and checks that each step
    // printed "<Name> = <result>"; `context` names the case on a failure.
    ProbeRun Expect(const std::vector<std::string>& script, const std::string& context = {}) const;

    // The calls of one stand-in ("veltosio", "veltouio", "veltodrv", "printer").
    std::vector<std::string> Calls(const std::string& component) const { return box_.Calls(component); }
    // Milliseconds from one stamped moment of the call log to another
    // ("probe begin 2", "probe end 2", "veltosio VeltoICEject"; the first of
    // each); -1 when one is missing. Only ever compared as a lower bound.
    long Between(const std::string& from, const std::string& to) const;

    // Forgets the calls logged so far.
    void ClearCalls() const;

private:
    harness::Sandbox box_;
    std::string queue_;
};

// The lines of a probe run without their timings, for whole-run comparison.
std::vector<std::string> Lines(const ProbeRun& run);

// head followed by tail.
std::vector<std::string> With(std::vector<std::string> head, const std::vector<std::string>& tail);

// Scripts that open the queue's printer and bind it, or attach a device
// context with the printer's own record (Held) or with the application's
// record of 200 private bytes of 0xEE (Record, for the probe's "Record").
inline const std::vector<std::string> kBound = {"OpenA $Q -> handle", "PrinterSetMode H 1 -> 0"};
inline const std::vector<std::string> kHeldScript = {"OpenA $Q -> handle", "CreateDCA $Q -> dc",
                                                     "DocAttachA H DC NULL -> 0"};
inline const std::vector<std::string> kRecordScript = {"OpenA $Q -> handle", "CreateDCA $Q -> dc",
                                                       "DocAttachA H DC DM:200:0x0100:0x1101 -> 0"};

} // namespace velkittest
