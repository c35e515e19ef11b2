#pragma once
#include <string_view>

namespace tavrin {

// What a family entry does while its family is not part of the build:
// says so and fails the command.
bool FamilyNotAvailable(std::string_view family, std::string_view command);

} // namespace tavrin
