#include "VirtualPrinter.h"

#include "platform/Profile.h"

#include <array>

namespace testbed {
namespace {

constexpr std::array<const char*, 6> kPlaceNames = {"none", "encoding station", "print position",
                                                    "output", "reject", "jammed"};

CardPlace ParsePlace(const std::string& s)
{
    for (size_t i = 0; i < kPlaceNames.size(); ++i)
        if (s == kPlaceNames[i]) return static_cast<CardPlace>(i);
    return CardPlace::None;
}

} // namespace

const char* PlaceName(CardPlace place) { return kPlaceNames[static_cast<size_t>(place)]; }

VirtualPrinter::VirtualPrinter(World world) : world_(std::move(world))
{
    if (!world_.Exists()) return;
    const std::string state = world_.Path("printer.ini");
    place_ = ParsePlace(platform::ReadProfileValue(state, "state", "place").value_or("none"));
    flipped_ = platform::ReadProfileValue(state, "state", "flipped").value_or("0") == "1";
    fed_ = platform::ParseWholeNumber(platform::ReadProfileValue(state, "state", "fed").value_or("0")).value_or(0);
}

int VirtualPrinter::CardsLeft() const { return world_.ScenarioInt("printer", "hopper", 100) - fed_; }

std::string VirtualPrinter::Problem() const
{
    if (world_.Scenario("printer", "cover") == "open") return "cover open";
    if (world_.Scenario("printer", "ribbon") == "ended") return "ribbon ended";
    if (place_ == CardPlace::Jammed) return "card jammed";
    return "";
}

bool VirtualPrinter::Move(const char* movement, CardPlace to, bool needsCard)
{
    std::string problem = Problem();
    const bool holdsCard = place_ == CardPlace::EncodingStation || place_ == CardPlace::PrintPosition;
    if (problem.empty() && needsCard && !holdsCard) problem = "no card";
    if (!problem.empty()) {
        world_.Log("printer", std::string(movement) + " refused: " + problem);
        return false;
    }
    if (world_.Scenario("printer", "jam") == "1") to = CardPlace::Jammed;
    place_ = to;
    Save();
    world_.Log("printer", std::string(movement) + " -> " + PlaceName(place_));
    return true;
}

bool VirtualPrinter::Feed()
{
    if (Problem().empty() && CardsLeft() <= 0) {
        world_.Log("printer", "feed refused: hopper empty");
        return false;
    }
    if (!Move("feed", CardPlace::EncodingStation, false)) return false;
    ++fed_;
    flipped_ = false;
    Save();
    return true;
}

bool VirtualPrinter::ToPrint() { return Move("to print", CardPlace::PrintPosition, true); }
bool VirtualPrinter::Eject() { return Move("eject", CardPlace::Output, true); }
bool VirtualPrinter::Return() { return Move("return", CardPlace::PrintPosition, true); }
bool VirtualPrinter::Reject() { return Move("reject", CardPlace::Reject, true); }

bool VirtualPrinter::Flip()
{
    if (!Move("flip", place_, true)) return false;
    flipped_ = !flipped_;
    Save();
    return true;
}

void VirtualPrinter::Save() const
{
    if (!world_.Exists()) return;
    const std::string state = world_.Path("printer.ini");
    platform::WriteProfileValue(state, "state", "place", PlaceName(place_));
    platform::WriteProfileValue(state, "state", "flipped", flipped_ ? "1" : "0");
    platform::WriteProfileValue(state, "state", "fed", std::to_string(fed_));
}

} // namespace testbed
