// The table of live handles (see VelkitHandle.h).
#include "VelkitHandle.h"

#include <algorithm>
#include <cstdint>
#include <utility>
#include <vector>

namespace velkit {
namespace {

struct Entry {
    std::uintptr_t value;
    std::unique_ptr<VelkitHandle> record;
};

// Velkit is used by one thread at a time, the table with it.
struct Table {
    std::vector<Entry> live;
    // Serial numbers given out so far; a handle value is 2 * serial + 1.
    std::uintptr_t serial = 0;
};

Table& Handles()
{
    // Never destroyed: a host that closes a handle from its own exit code
    // still finds the table.
    static Table* table = new Table;
    return *table;
}

constexpr std::uintptr_t kLargestSerial = (UINTPTR_MAX - 1) / 2;

std::uintptr_t ValueOf(const VelkitHandle* handle) { return reinterpret_cast<std::uintptr_t>(handle); }

} // namespace

VelkitHandle* AddHandle(std::unique_ptr<VelkitHandle> record)
{
    Table& t = Handles();
    std::uintptr_t value = 0;
    do {
        // Wrapping round takes billions of opens; a value still live then
        // is skipped, so no two live handles are ever the same.
        t.serial = t.serial == kLargestSerial ? 1 : t.serial + 1;
        value = 2 * t.serial + 1;
    } while (std::any_of(t.live.begin(), t.live.end(), [&](const Entry& e) { return e.value == value; }));
    record->magic = kHandleMagic;
    t.live.push_back({value, std::move(record)});
    return reinterpret_cast<VelkitHandle*>(value);
}

bool ResolveHandle(VelkitHandle*& handle)
{
    if (!handle) return false;
    Table& t = Handles();
    const std::uintptr_t value = ValueOf(handle);
    for (const Entry& e : t.live) {
        if (e.value != value) continue;
        handle = e.record.get();
        return true;
    }
    return false;
}

std::unique_ptr<VelkitHandle> TakeHandle(VelkitHandle* handle)
{
    if (!handle) return nullptr;
    Table& t = Handles();
    const std::uintptr_t value = ValueOf(handle);
    const auto it = std::find_if(t.live.begin(), t.live.end(), [&](const Entry& e) { return e.value == value; });
    if (it == t.live.end()) return nullptr;
    std::unique_ptr<VelkitHandle> record = std::move(it->record);
    t.live.erase(it);
    return record;
}

} // namespace velkit
