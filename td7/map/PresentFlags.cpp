#include "td7/map/PresentFlags.h"

#include "midilink/Error.h"

namespace td7 {

namespace {

void CheckSlot(int slot) {
    if (slot < 0 || slot >= kPatchCount) throw midilink::Error("Index out of bounds");
}

}  // namespace

bool TPresentFlags::PatchPresent(int slot) const {
    CheckSlot(slot);
    return m_patches[slot];
}

void TPresentFlags::SetPatchPresent(int slot, bool present) {
    CheckSlot(slot);
    m_patches[slot] = present;
    Changed();
}

void TPresentFlags::SetInstrumentsPresent(bool present) {
    m_instruments = present;
    Changed();
}

void TPresentFlags::SetSystemPresent(bool present) {
    m_system = present;
    Changed();
}

void TPresentFlags::Clear() {
    m_patches.fill(false);
    m_instruments = false;
    m_system = false;
    Changed();
}

void TPresentFlags::Changed() {
    if (OnChange) OnChange(this);
}

}  // namespace td7
