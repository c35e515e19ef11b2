#include "EscInterpreter.h"

#include <map>

namespace testbed {
namespace {

enum class Movement { None, Feed, Return, Eject, Reject, Flip };

Movement MovementOf(std::string_view text)
{
    static const std::map<std::string_view, Movement> table = {
        // Zebra, Evolis, Fargo, Magicard and the generic words.
        {"MS", Movement::Feed},      {"Sis", Movement::Feed},    {"P1", Movement::Feed},
        {"FEED", Movement::Feed},    {"GEM", Movement::Feed},    {"GEM40", Movement::Feed},
        {"GEM32", Movement::Feed},   {"GEM20", Movement::Feed},  {"GEM12", Movement::Feed},
        {"MI", Movement::Return},    {"Si", Movement::Return},   {"RETURN", Movement::Return},
        {"ME", Movement::Eject},     {"Se", Movement::Eject},    {"e", Movement::Eject},
        {"EJT", Movement::Eject},    {"EJECT", Movement::Eject}, {"MRB", Movement::Reject},
        {"Ser", Movement::Reject},   {"REJECT", Movement::Reject}, {"FLIP", Movement::Flip},
    };
    const auto it = table.find(text);
    return it == table.end() ? Movement::None : it->second;
}

constexpr std::string_view kMagicardHead = ",NOC0,BBB1,MAG1,%";

} // namespace

std::vector<std::string> SplitCommands(std::span<const std::uint8_t> bytes)
{
    std::vector<std::string> commands;
    size_t i = 0;
    auto until = [&](auto stop) {
        std::string text;
        while (i < bytes.size() && !stop(i)) text += static_cast<char>(bytes[i++]);
        return text;
    };
    while (i < bytes.size()) {
        if (bytes[i] == 0x01) {  // Magicard frame
            ++i;
            std::string text = until([&](size_t k) { return bytes[k] == 0x1C; });
            if (text.rfind(kMagicardHead, 0) == 0) text.erase(0, kMagicardHead.size());
            commands.push_back(text);
            i += 2;  // 1C 03
        } else if (bytes[i] == 0x1B && i + 2 < bytes.size() && bytes[i + 1] == 0x00 && bytes[i + 2] == 0x02) {
            i += 3;  // FARGO: up to the next start sign
            commands.push_back(until([&](size_t k) {
                return bytes[k] == 0x1B && k + 2 < bytes.size() && bytes[k + 1] == 0x00 && bytes[k + 2] == 0x02;
            }));
        } else if (bytes[i] == 0x1B) {
            ++i;
            commands.push_back(until([&](size_t k) { return bytes[k] == 0x0D; }));
            if (i < bytes.size()) ++i;
            if (i < bytes.size() && bytes[i] == 0x0A) ++i;
        } else {
            // Bytes outside any frame (a hexadecimal payload, say).
            commands.push_back(until([&](size_t k) { return bytes[k] == 0x1B || bytes[k] == 0x01; }));
        }
    }
    return commands;
}

bool ApplyCommand(VirtualPrinter& printer, const World& world, std::string_view text)
{
    world.Log("printer", "command \"" + Printable({reinterpret_cast<const std::uint8_t*>(text.data()), text.size()}) + "\"");
    switch (MovementOf(text)) {
    case Movement::Feed: return printer.Feed();
    case Movement::Return: return printer.Return();
    case Movement::Eject: return printer.Eject();
    case Movement::Reject: return printer.Reject();
    case Movement::Flip: return printer.Flip();
    case Movement::None: return true;
    }
    return true;
}

void DeliverJob(const World& world, std::span<const std::uint8_t> bytes)
{
    VirtualPrinter printer(world);
    for (const auto& command : SplitCommands(bytes)) ApplyCommand(printer, world, command);
}

} // namespace testbed
