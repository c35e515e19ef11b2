#pragma once
// DII and DIGID printers through their vendor driver libraries. The model
// index picks the driver file and one of three calling interfaces.
#include "Families.h"

#include <cstdint>
#include <string>

namespace tavrin {

// Looks for the model's driver file and remembers its path.
bool FindDiiDriver(int model);
bool LoadDiiDriver(int model);
// The driver's answer to call: true for success; otherwise its name is
// shown with the operation in the caption, and false.
bool CheckDiiResult(std::int32_t code, const char* call, const std::string& operation);
bool ExtEncodeFeed(bool contact, const std::string& name);
bool ExtEncodeFinish(std::int32_t endMode, const std::string& operation);

// "Phandle.dat" in the program directory: the encoder handle carried from a
// FEED run to the EJECT or RETURN run after it.
class PhandleFile {
public:
    static std::string Path();
    static std::int32_t Read();
    static void Write(std::int32_t handle);
};

// The names of the vendor codes 1 to 10; "" for any other code.
std::string DiiResultName(std::int32_t code);

} // namespace tavrin
