#include "td7/map/Td7Collections.h"

#include "midilink/DeviceIds.h"
#include "midilink/MidiLink.h"
#include "midilink/Types.h"

namespace td7 {

namespace {

// One instance per block, so that the address rule is chosen at compile time: this runs
// for every record of every collection on each received message.
template <Block B>
void Prepare(int index, std::uint8_t* buffer, int size) {
    // A record too short for a header is not one of ours; leave it alone.
    if (size < kHeaderSize) return;
    FillHeader(buffer, static_cast<std::uint8_t>(midilink::GetDeviceId(0)), AddressOf(B, index));
}

}  // namespace

void SystemDumpPrepare(midilink::TDumpCollection*, int index, std::uint8_t* buffer, int size) {
    Prepare<Block::System>(index, buffer, size);
}

void ProgDumpPrepare(midilink::TDumpCollection*, int index, std::uint8_t* buffer, int size) {
    Prepare<Block::Prog>(index, buffer, size);
}

void TriggerDumpPrepare(midilink::TDumpCollection*, int index, std::uint8_t* buffer, int size) {
    Prepare<Block::Trigger>(index, buffer, size);
}

void NotemapDumpPrepare(midilink::TDumpCollection*, int index, std::uint8_t* buffer, int size) {
    Prepare<Block::Notemap>(index, buffer, size);
}

void InstrumentDumpPrepare(midilink::TDumpCollection*, int index, std::uint8_t* buffer, int size) {
    Prepare<Block::Instrument>(index, buffer, size);
}

TTd7Collections::TTd7Collections(midilink::TMidiLink* link,
                                 midilink::TDumpCollection::ChangeEvent anyDumpChange,
                                 midilink::TDumpCollection::ChangeEvent instrumentDumpChange) {
    using PrepareEvent = midilink::TDumpCollection::PrepareEvent;
    const PrepareEvent handlers[kBlockCount] = {SystemDumpPrepare, ProgDumpPrepare,
                                                TriggerDumpPrepare, NotemapDumpPrepare,
                                                InstrumentDumpPrepare};
    for (Block block : kAllBlocks) {
        const BlockInfo& info = InfoOf(block);
        midilink::TDumpCollection& dump = Of(block);
        dump.SetSize(info.Size);
        dump.SetHeaderSize(kHeaderSize);
        dump.SetChecksum(midilink::ctRoland);
        dump.SetCount(info.Count);
        dump.SetIndex(0);
        dump.OnPrepare = handlers[static_cast<int>(block)];
        dump.OnChange = block == Block::Instrument ? instrumentDumpChange : anyDumpChange;
        if (link) dump.SetMidiLink(link);
    }
}

midilink::TDumpCollection& TTd7Collections::Of(Block block) {
    switch (block) {
        case Block::System:
            return SystemDump;
        case Block::Prog:
            return ProgDump;
        case Block::Trigger:
            return TriggerDump;
        case Block::Notemap:
            return NotemapDump;
        case Block::Instrument:
            break;
    }
    return InstrumentDump;
}

}  // namespace td7
