#include "OutputDevice.h"

namespace midiports {

MidiResult OutputDevice::SendBlock(MidiHeader* header) {
    const MidiResult r = SendBytes(header->data, header->bufferLength);
    if (r != result::kOk) return r;
    header->flags.fetch_or(kHdrInQueue);
    Complete(header);
    return result::kOk;
}

void OutputDevice::Complete(MidiHeader* header) {
    header->flags.store((header->flags.load() & ~kHdrInQueue) | kHdrDone);
    if (!Enter()) return;
    Call(msg::kOutDone, reinterpret_cast<std::uintptr_t>(header), 0);
    Leave();
}

void OutputDevice::ReportLost() {
    if (!Enter()) return;
    Call(msg::kOutLost, 0, 0);
    Leave();
}

}  // namespace midiports
