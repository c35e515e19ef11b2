#pragma once
// The sg driver: /dev/sg* devices (or those in TAVRIN_SG_DIR, for tests)
// and SG_IO.
#include "SgBus.h"

namespace aspi {

class SgLinux final : public SgBackend {
public:
    SgScan Scan() override;
    SgOutcome Execute(const SgDevice& device, SgCommand& command) override;
    bool ResetDevice(const SgDevice& device) override;
};

} // namespace aspi
