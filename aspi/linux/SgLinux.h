#pragma once
// The sg driver: /dev/sg* devices and SG_IO.
#include "SgBus.h"

namespace aspi {

class SgLinux final : public SgBackend {
public:
    std::vector<SgDevice> Scan() override;
    SgOutcome Execute(const SgDevice& device, SgCommand& command) override;
    bool ResetDevice(const SgDevice& device) override;
};

} // namespace aspi
