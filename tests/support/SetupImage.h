#pragma once

// Golden bytes of the editor's files, made from the simulator's module (written from the
// module's address map, not from the editor's code): dump files and setup files.

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "simulator/Td7Module.h"

namespace testsupport {

using Bytes = std::vector<std::uint8_t>;
using simulator::Td7Module;

inline void Append(Bytes& to, const Bytes& bytes) {
    to.insert(to.end(), bytes.begin(), bytes.end());
}

// Patch p (0..31) as a patch file holds it: common block, triggers, note map.
inline Bytes PatchBytes(const Td7Module& module, int p) {
    return module.PatchDataSets(p);
}

inline Bytes InstrumentBytes(const Td7Module& module) {
    Bytes bytes;
    for (int i = 0; i < Td7Module::kInstrumentCount; ++i)
        Append(bytes, module.DataSetOf(Td7Module::InstrumentBlock(i)));
    return bytes;
}

inline Bytes SystemBytes(const Td7Module& module) {
    return module.DataSetOf(Td7Module::SystemBlock());
}

// A setup file of the module's memory holding the given patches (0..31), and the
// instruments and the system block when asked.
inline Bytes SetupBytes(const Td7Module& module, const std::vector<int>& patches, bool instruments,
                        bool system) {
    const std::string signature = "TD7Setup10";
    Bytes bytes(signature.begin(), signature.end());
    for (int p = 0; p < Td7Module::kPatchCount; ++p) {
        const bool present = std::find(patches.begin(), patches.end(), p) != patches.end();
        bytes.push_back(present ? 0x01 : 0x00);
        if (present) Append(bytes, PatchBytes(module, p));
    }
    bytes.push_back(instruments ? 0x01 : 0x00);
    if (instruments) Append(bytes, InstrumentBytes(module));
    bytes.push_back(system ? 0x01 : 0x00);
    if (system) Append(bytes, SystemBytes(module));
    return bytes;
}

inline std::vector<int> AllSlots() {
    std::vector<int> all;
    for (int p = 0; p < Td7Module::kPatchCount; ++p) all.push_back(p);
    return all;
}

}  // namespace testsupport
