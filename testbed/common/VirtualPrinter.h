#pragma once
// The virtual card printer: one model of a card's way through a printer,
// shared by every stand-in that plays a printer (the CUPS backend, the
// parallel port, the SCSI bus, the vendor libraries). A scenario says once
// what is wrong with the printer; each stand-in reports it in its own terms.
//
// scenario.ini, section [printer]:
//   hopper=N        cards in the input hopper (default 100; 0 = empty)
//   cover=open      the cover (door) is open
//   ribbon=ended    the ribbon is used up
//   jam=1           the next movement jams the card
// State (printer.ini, section [state]): place, flipped, fed, ejected.
#include "Testbed.h"

#include <string>

namespace testbed {

enum class CardPlace { None, EncodingStation, PrintPosition, Output, Reject, Jammed };

const char* PlaceName(CardPlace place);

class VirtualPrinter {
public:
    explicit VirtualPrinter(World world);

    // What keeps the printer from moving a card: "" when ready, else
    // "hopper empty", "cover open", "ribbon ended" or "card jammed".
    std::string Problem() const;

    // Movements. Each checks Problem() first, moves the card, saves the
    // state and logs "printer: <movement> -> <place>"; false when refused.
    bool Feed();          // hopper to encoding station
    bool ToPrint();       // to the print position
    bool Eject();         // out to the output tray
    bool Return();        // from the encoding station back to the print position
    bool Reject();        // into the reject tray
    bool Flip();          // turn the card over where it is

    CardPlace Place() const { return place_; }
    bool Flipped() const { return flipped_; }
    int CardsLeft() const;

private:
    bool Move(const char* movement, CardPlace to, bool needsCard);
    void Save() const;

    World world_;
    CardPlace place_ = CardPlace::None;
    bool flipped_ = false;
    int fed_ = 0;
};

} // namespace testbed
