#pragma once
// How the virtual card printer understands what reaches it as bytes: the
// ESC command frames (1B text 0D [0A]), the FARGO frames (1B 00 02 text),
// and the Magicard frame (01 ",NOC0,BBB1,MAG1,%" text 1C 03). Known command
// texts move the card; every command is logged as
//   "printer: command "<text>""
// followed by the movement the virtual printer made of it.
#include "VirtualPrinter.h"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace testbed {

// The command texts in a job's bytes, in order.
std::vector<std::string> SplitCommands(std::span<const std::uint8_t> bytes);

// Moves the card as one command text says; false when the printer refused.
bool ApplyCommand(VirtualPrinter& printer, const World& world, std::string_view text);

// Both: every command of a job, in order.
void DeliverJob(const World& world, std::span<const std::uint8_t> bytes);

} // namespace testbed
