#pragma once
// A sandbox with one CUPS queue and a configuration written per test.
#include "harness/Harness.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace families {

using harness::ErrorBox;
using harness::Sandbox;

inline const std::string kCommandFailed = ErrorBox("Error while execute command");

class Family : public ::testing::Test {
protected:
    void SetUp() override { queue = box.AddQueue(QueueBase()); }
    virtual std::string QueueBase() const { return "Card_Printer"; }

    // [PrinterConfiguration] for a printer (the queue unless named).
    std::string Config(const std::string& type, const std::string& mode = "USB", const std::string& name = "") const
    {
        return "[PrinterConfiguration]\nPrinterName=" + (name.empty() ? queue : name) + "\nPrinterType=" + type +
               "\nPrinterMode=" + mode + "\n";
    }
    // The default configuration file: Config for the queue, plus any further lines.
    void Configure(const std::string& type, const std::string& mode, const std::string& more = "") const
    {
        box.WriteConfig(Config(type, mode) + more);
    }
    // What the world's stand-ins are to do: one section of scenario.ini.
    void Scenario(const std::string& section, const std::string& lines = "") const
    {
        Sandbox::WriteFile(box.World() + "/scenario.ini", "[" + section + "]\n" + lines);
    }

    // The printer driver directory, the runs' once a driver is in it.
    std::string DriverDir() const { return box.Root() + "/drivers"; }
    // A stand-in (by its Windows name) copied there, under its own or another name.
    void InstallDriver(const std::string& standIn, const std::string& asName = "") const
    {
        std::filesystem::create_directories(DriverDir());
        std::filesystem::copy_file(Sandbox::StandInPath(Sandbox::LibraryFile(standIn)),
                                   DriverDir() + "/" + Sandbox::LibraryFile(asName.empty() ? standIn : asName),
                                   std::filesystem::copy_options::overwrite_existing);
    }

    // The parallel device directory: /dev/lp0 is LPT1.
    std::string DeviceDir() const { return box.Root() + "/dev"; }
    std::string Lpt1() const { return DeviceDir() + "/lp0"; }
    void MakeLpt1() const
    {
        std::filesystem::create_directories(DeviceDir());
        Sandbox::WriteFile(Lpt1(), "");
    }

    harness::RunResult Run(const std::vector<std::string>& args, std::map<std::string, std::string> env = {})
    {
        env.emplace("TAVRIN_LP_DIR", DeviceDir());
        if (Sandbox::Exists(DriverDir())) env.emplace("TAVRIN_PRINTER_DRIVER_DIR", Sandbox::Native(DriverDir()));
        auto r = box.Run(args, env);
        EXPECT_EQ(r.exitCode, 0) << r.stderrText;
        return r;
    }

    // The program's waits, written down instead of sat through (see
    // TAVRIN_SCRIPTED_CLOCK in docs/testbed.md): a run given ScriptedClock()
    // returns at once, and Waits() lists what it waited for.
    std::map<std::string, std::string> ScriptedClock() const
    {
        return {{"TAVRIN_SCRIPTED_CLOCK", Sandbox::Native(box.World() + "/clock.log")}};
    }
    std::string Waits() const { return Sandbox::ReadFile(box.World() + "/clock.log"); }

    std::vector<std::string> JobBytes() const
    {
        std::vector<std::string> bytes;
        for (const auto& job : box.Jobs()) {
            EXPECT_EQ(job.title, "Printer command");
            bytes.push_back(job.bytes);
        }
        return bytes;
    }

    std::string CardPlace() const
    {
        const std::string state = Sandbox::ReadFile(box.World() + "/printer.ini");
        const auto at = state.find("place=");
        return at == std::string::npos ? "" : state.substr(at + 6, state.find('\n', at) - at - 6);
    }

    Sandbox box;
    std::string queue;
};

using Strings = std::vector<std::string>;

// With TAVRIN_LOG=stderr the run's line ("tavrin: arg=...") comes last on
// standard error, after the console form of every message box shown.
inline std::string LogLineOf(const std::string& err)
{
    const auto at = err.rfind("tavrin: ");
    return at == std::string::npos ? "no line in: " + err : err.substr(at + 8);
}
inline std::string BoxesOf(const std::string& err)
{
    const auto at = err.rfind("tavrin: ");
    return at == std::string::npos ? err : err.substr(0, at);
}

} // namespace families
