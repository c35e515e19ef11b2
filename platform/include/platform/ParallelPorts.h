#pragma once
// The parallel ports the system has, numbered as the system numbers them
// (LPT1, LPT2, ...). docs/platform.md says where each system lists them.
#include <optional>
#include <string>
#include <vector>

namespace platform {

// The port names ("LPT1", ...), unsorted. nullopt when the listing failed;
// an empty list when the system has no list of parallel ports at all.
std::optional<std::vector<std::string>> ParallelPortNames();

// The device that port number n (1 = LPT1) is written through.
std::string ParallelDevicePath(int n);

} // namespace platform
