#pragma once

// The defaults of four trigger parameters depend on the trigger: what the module starts a
// kick, a hi-hat or a cymbal with. A control marks a value that differs from its default,
// so the defaults change with the selected trigger.

#include <span>

namespace editor {

struct TTriggerDefaults {
    int FirstTrigger;  // selector entries FirstTrigger..LastTrigger
    int LastTrigger;
    int MaxDyna;   // txMaxDyna
    int MaskTime;  // txMaskTime
    int VelCurve;  // txVelCurve (item index)
    int Choke;     // txChoke (check state)
};

std::span<const TTriggerDefaults> TriggerDefaultsTable();
// The row of trigger t (0..17); raises "Index out of bounds" for any other.
const TTriggerDefaults& TriggerDefaults(int t);

}  // namespace editor
