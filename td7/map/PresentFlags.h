#pragma once

// Which parts of the module's memory the mirror holds: each of the 32 patch slots, the
// instrument block and the system block. A slot starts empty and becomes present when its
// patch is requested, loaded or filled from the empty-patch dialog; the windows show it
// (the patch list's per-line state, the enabled menu entries).

#include <array>
#include <functional>

#include "td7/map/Td7Map.h"

namespace td7 {

class TPresentFlags {
  public:
    // Told after any flag changed.
    using ChangeEvent = std::function<void(TPresentFlags* sender)>;

    // "Index out of bounds" for a slot outside 0..31.
    bool PatchPresent(int slot) const;
    void SetPatchPresent(int slot, bool present);
    bool InstrumentsPresent() const { return m_instruments; }
    void SetInstrumentsPresent(bool present);
    bool SystemPresent() const { return m_system; }
    void SetSystemPresent(bool present);
    // Everything empty again, as at start.
    void Clear();

    ChangeEvent OnChange;

  private:
    void Changed();

    std::array<bool, kPatchCount> m_patches{};
    bool m_instruments = false;
    bool m_system = false;
};

}  // namespace td7
