// A received message offered to the five TD-7 collections, with every bound parameter
// attached and the texts the windows show decoded after each change, as the editor does.
// The record that takes a message is worked out here from the message's own address: the
// message must land in exactly that record, whole, and nowhere else. Input: device ID,
// the current patch, trigger, note and instrument, then the message.

#include <algorithm>
#include <memory>
#include <optional>
#include <vector>

#include "fuzz/FuzzSupport.h"
#include "midilink/DeviceIds.h"
#include "midilink/MidiCom.h"
#include "td7/map/ParameterTable.h"
#include "td7/map/Td7Collections.h"
#include "td7/map/Td7Decode.h"
#include "tests/support/RecordingLink.h"

namespace {

struct Target {
    td7::Block block;
    int index;
};

// Which record a data set addresses, read from its address bytes alone.
std::optional<Target> Addressed(const std::uint8_t* m) {
    const int a1 = m[5], a2 = m[6], a3 = m[7], a4 = m[8];
    // Address bytes are 7-bit data bytes; a3 holds the low seven bits of an instrument.
    if (a4 != 0 || a2 > 0x7F || a3 > 0x7F) return std::nullopt;
    if (a1 == 0x03 && a2 == 0 && a3 == 0) return Target{td7::Block::System, 0};
    if (a1 == 0x01 && a2 < 4) return Target{td7::Block::Instrument, a2 * 128 + a3};
    if (a1 != 0x00 || a2 >= td7::kPatchCount) return std::nullopt;
    if (a3 == 0) return Target{td7::Block::Prog, a2};
    if (a3 >= 1 && a3 <= td7::kTriggersPerPatch)
        return Target{td7::Block::Trigger, td7::TriggerRecord(a2, a3 - 1)};
    if (a3 >= td7::kFirstNote && a3 < td7::kFirstNote + td7::kNotesPerPatch)
        return Target{td7::Block::Notemap, td7::NotemapRecord(a2, a3 - td7::kFirstNote)};
    return std::nullopt;
}

struct World {
    World() {
        midilink::SetDeviceId(0, 0x10);
        auto changed = [this](midilink::TDumpCollection* sender, int) { Decode(sender); };
        dumps = std::make_unique<td7::TTd7Collections>(&link, changed, changed);
        for (const td7::TParameter& p : td7::Parameters()) {
            auto com = std::make_unique<midilink::TValueMidiCom>();
            td7::ConfigureBinding(*com, p, *dumps, &link);
            com->OnValue = [&p](midilink::TValueMidiCom*, std::int32_t v) { Show(p, v); };
            coms.push_back(std::move(com));
        }
    }

    // What a bound control does with a value read back from a record.
    static void Show(const td7::TParameter& p, std::int32_t v) {
        if (p.Kind == td7::ControlKind::Knob || p.Kind == td7::ControlKind::UpDown)
            FUZZ_CHECK(!td7::ValueText(p.ValueText, v).empty());
        if (p.Kind == td7::ControlKind::Combo && v >= 0 && v < td7::ItemCount(p.Items))
            (void)td7::Items(p.Items)[static_cast<std::size_t>(v)];
    }

    // The texts the windows rebuild when a collection changes.
    void Decode(midilink::TDumpCollection* sender) {
        ++changes;
        if (sender == &dumps->ProgDump) FUZZ_CHECK(td7::PatchName(sender->Current()).size() == 6);
        if (sender == &dumps->NotemapDump) {
            try {
                (void)td7::NotemapLine(sender->Index() % td7::kNotesPerPatch, sender->Current(),
                                       dumps->InstrumentDump);
            } catch (const td7::DecodeError&) {
            }
        }
        if (sender == &dumps->InstrumentDump)
            FUZZ_CHECK(td7::InstrumentNameText(sender->Current()).size() == 7);
    }

    testsupport::RecordingLink link;
    std::unique_ptr<td7::TTd7Collections> dumps;
    std::vector<std::unique_ptr<midilink::TValueMidiCom>> coms;
    int changes = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static World world;
    td7::TTd7Collections& dumps = *world.dumps;
    fuzz::Input in(data, size);
    const std::uint8_t deviceId = in.Byte() & 0x7F;
    midilink::SetDeviceId(0, deviceId);
    const int patch = in.Byte() % td7::kPatchCount;
    dumps.ProgDump.SetIndex(patch);
    dumps.TriggerDump.SetIndex(td7::TriggerRecord(patch, in.Byte() % td7::kTriggersPerPatch));
    dumps.NotemapDump.SetIndex(td7::NotemapRecord(patch, in.Byte() % td7::kNotesPerPatch));
    dumps.InstrumentDump.SetIndex((in.Byte() << 8 | in.Byte()) % td7::kInstrumentCount);
    for (td7::Block block : td7::kAllBlocks) dumps.Of(block).SetModified(false);
    const auto rest = in.Rest();
    const std::vector<std::uint8_t> message(rest.begin(), rest.end());

    // Where the message belongs, if anywhere, and a copy of that record before.
    std::optional<Target> target;
    const std::uint8_t header[] = {0xF0, 0x41, deviceId, 0x58, 0x12};
    if (message.size() >= 9 && std::equal(std::begin(header), std::end(header), message.begin()))
        target = Addressed(message.data());
    if (target && message.size() < static_cast<std::size_t>(td7::InfoOf(target->block).Size))
        target.reset();

    // The data bytes of every record of the addressed collection: the others must keep theirs.
    std::vector<std::vector<std::uint8_t>> before;
    if (target) {
        midilink::TDumpCollection& dump = dumps.Of(target->block);
        for (int i = 0; i < dump.Count(); ++i) {
            const midilink::TMidiDump& record = dump.Records(i);
            before.emplace_back(record.Data() + td7::kHeaderSize,
                                record.Data() + record.Size() - 2);
        }
    }

    world.changes = 0;
    const bool resolved = world.link.OfferSysex(message.data(), static_cast<int>(message.size()));
    FUZZ_CHECK(resolved == target.has_value());
    for (td7::Block block : td7::kAllBlocks) {
        const bool hit = target && target->block == block;
        FUZZ_CHECK(dumps.Of(block).Modified() == hit);
    }
    if (target) {
        const midilink::TMidiDump& record = dumps.Of(target->block).Records(target->index);
        FUZZ_CHECK(std::equal(record.Data(), record.Data() + record.Size(), message.begin()));
        midilink::TDumpCollection& dump = dumps.Of(target->block);
        for (int i = 0; i < dump.Count(); ++i) {
            if (i == target->index) continue;
            const midilink::TMidiDump& other = dump.Records(i);
            FUZZ_CHECK(std::equal(other.Data() + td7::kHeaderSize, other.Data() + other.Size() - 2,
                                  before[static_cast<std::size_t>(i)].begin()));
        }
    }
    FUZZ_CHECK(world.link.messages.empty());  // receiving never sends
    return 0;
}
