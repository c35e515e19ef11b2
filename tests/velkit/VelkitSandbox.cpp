#include "VelkitSandbox.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <regex>
#include <sstream>

namespace velkittest {

VelkitSandbox::VelkitSandbox(const std::string& port, const std::vector<std::string>& lpadminOptions)
    : VelkitSandbox(port, lpadminOptions, Options {})
{
}

VelkitSandbox::VelkitSandbox(const std::string& port, const std::vector<std::string>& lpadminOptions,
                             const Options& options)
{
    box_.InstallStandIn("velkit-probe");
    if (options.scsiModule) box_.InstallStandIn(options.scsiModuleFile, "libveltosio.so");
    if (options.usbModule) box_.InstallStandIn(options.usbModuleFile, "libveltouio.so");
    std::vector<std::string> all;
    if (!port.empty()) all.insert(all.end(), {"-o", "port-name-default=" + port});
    if (options.driver) all.insert(all.end(), {"-o", "driver-module-default=VeltoDrv.dll"});
    all.insert(all.end(), lpadminOptions.begin(), lpadminOptions.end());
    queue_ = box_.AddQueue("Velto", all);
}

void VelkitSandbox::Scenario(const std::string& ini) const { harness::Sandbox::WriteFile(box_.World() + "/scenario.ini", ini); }

void VelkitSandbox::ClearCalls() const { harness::Sandbox::WriteFile(box_.World() + "/calls.log", ""); }

ProbeRun VelkitSandbox::Run(const std::vector<std::string>& steps) const
{
    std::vector<std::string> args;
    for (std::string s : steps) {
        for (auto at = s.find("$Q"); at != std::string::npos; at = s.find("$Q")) s.replace(at, 2, queue_);
        args.push_back(s);
    }
    const harness::RunResult r =
        box_.Run(args, {{"TAVRIN_PRINTER_DRIVER_DIR", TAVRIN_TESTBED_BUILD_DIR}}, box_.ProgramDir() + "velkit-probe");
    ProbeRun run;
    run.output = r.out + r.err;
    run.exitCode = r.exitCode;
    static const std::regex line(R"((.*) ms=(\d+))");
    std::istringstream in(r.out);
    for (std::string text; std::getline(in, text);) {
        std::smatch m;
        if (std::regex_match(text, m, line)) {
            run.lines.push_back(m[1]);
            run.ms.push_back(std::stol(m[2]));
        } else {
            run.lines.push_back(text);
            run.ms.push_back(-1);
        }
    }
    EXPECT_EQ(r.exitCode, 0) << "probe output:\n" << run.output;
    EXPECT_EQ(run.lines.size(), steps.size()) << "probe output:\n" << run.output;
    return run;
}

ProbeRun VelkitSandbox::Expect(const std::vector<std::string>& script, const std::string& context) const
{
    std::vector<std::string> steps, expected;
    for (const auto& line : script) {
        const auto arrow = line.find(" -> ");
        if (arrow == std::string::npos) ADD_FAILURE() << "no \" -> \" in script line: " << line;
        steps.push_back(line.substr(0, arrow));
        expected.push_back(line.substr(0, std::min(arrow, line.find(' '))) + " = " +
                           (arrow == std::string::npos ? "" : line.substr(arrow + 4)));
    }
    ProbeRun run = Run(steps);
    EXPECT_EQ(run.lines, expected) << context;
    return run;
}

long VelkitSandbox::Between(const std::string& from, const std::string& to) const
{
    auto tick = [&](const std::string& what) -> std::optional<std::uint32_t> {
        for (const auto& line : box_.Calls("clock"))
            if (line.rfind(what + " ", 0) == 0) return static_cast<std::uint32_t>(std::stoul(line.substr(what.size() + 1)));
        return std::nullopt;
    };
    const auto a = tick(from);
    const auto b = tick(to);
    if (!a || !b) return -1;
    return static_cast<long>(static_cast<std::uint32_t>(*b - *a));
}

std::vector<std::string> Lines(const ProbeRun& run) { return run.lines; }

std::vector<std::string> With(std::vector<std::string> head, const std::vector<std::string>& tail)
{
    head.insert(head.end(), tail.begin(), tail.end());
    return head;
}

} // namespace velkittest
