#include "DeviceIds.h"

#include <string>
#include <vector>

#include "Error.h"

namespace midilink {

namespace {

std::vector<int>& Table() {
    static std::vector<int> table;
    return table;
}

}  // namespace

void SetDeviceId(int slot, int id) {
    if (slot < 0) throw Error("List index out of bounds (" + std::to_string(slot) + ")");
    // Every entry goes into a message as one data byte.
    if (id < 0 || id > 0x7F) throw Error("Invalid device ID");
    auto& table = Table();
    if (static_cast<std::size_t>(slot) >= table.size()) table.resize(slot + 1, 0);
    table[slot] = id;
}

int GetDeviceId(int slot) {
    const auto& table = Table();
    if (slot < 0 || static_cast<std::size_t>(slot) >= table.size())
        throw Error("List index out of bounds (" + std::to_string(slot) + ")");
    return table[slot];
}

void ClearDeviceIds() {
    Table().clear();
}

}  // namespace midilink
