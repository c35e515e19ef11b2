#pragma once
// Parallel ports as the kernel publishes them: /dev/lp0 is LPT1, /dev/lp1 is
// LPT2, ... The directory looked in is /dev, or the one named by the
// environment variable TAVRIN_LP_DIR (tests point it at a folder of files or
// FIFOs standing in for the devices).
#include <optional>
#include <string>
#include <vector>

namespace platform {

// The port names ("LPT1", ...), unsorted. nullopt when the listing failed;
// an empty list when the system has no parallel port directory at all.
std::optional<std::vector<std::string>> ParallelPortNames();

// The device path for port number n (1 = LPT1).
std::string ParallelDevicePath(int n);

} // namespace platform
