#pragma once

// The process-wide device-ID table. Entry 0 is the module's device ID (0-based,
// 16 unless the settings say otherwise); templates reach entry K through vK.

namespace midilink {

// Appends zero entries until slot exists, then stores id there. Raises
// "Invalid device ID" for an id outside 0..7F: it must fit one MIDI data byte.
void SetDeviceId(int slot, int id);

// Raises "List index out of bounds (%d)" for a slot that was never stored.
int GetDeviceId(int slot);

// Empties the table (start-up state); used by tests.
void ClearDeviceIds();

}  // namespace midilink
