#include "td7/map/RecordRun.h"

#include <istream>
#include <ostream>

#include "midilink/Error.h"
#include "td7/map/Td7Collections.h"

namespace td7 {

std::array<TRecordRun, 3> PatchRuns(int p) {
    if (p < 0 || p >= kPatchCount) throw midilink::Error("Index out of bounds");
    return {{{Block::Prog, p, 1},
             {Block::Trigger, TriggerRecord(p, 0), kTriggersPerPatch},
             {Block::Notemap, NotemapRecord(p, 0), kNotesPerPatch}}};
}

TRecordRun InstrumentRun() {
    return {Block::Instrument, 0, kInstrumentCount};
}

TRecordRun SystemRun() {
    return {Block::System, 0, 1};
}

int RunBytes(std::span<const TRecordRun> runs) {
    int bytes = 0;
    for (const TRecordRun& run : runs) bytes += run.Bytes();
    return bytes;
}

void WriteRuns(std::ostream& out, TTd7Collections& dumps, std::span<const TRecordRun> runs) {
    for (const TRecordRun& run : runs) {
        midilink::TDumpCollection& dump = dumps.Of(run.Kind);
        for (int i = 0; i < run.Count; ++i) {
            midilink::TMidiDump& record = dump.Records(run.First + i);
            const std::vector<std::uint8_t>* asRead = dumps.Damaged.AsRead(record);
            if (!asRead) {
                record.SaveToStream(out);
                continue;
            }
            out.write(reinterpret_cast<const char*>(asRead->data()),
                      static_cast<std::streamsize>(asRead->size()));
            if (!out) throw midilink::Error("Stream write error");
        }
    }
}

int DamagedIn(TTd7Collections& dumps, std::span<const TRecordRun> runs) {
    if (dumps.Damaged.Empty()) return 0;
    int damaged = 0;
    for (const TRecordRun& run : runs) {
        midilink::TDumpCollection& dump = dumps.Of(run.Kind);
        for (int i = 0; i < run.Count; ++i)
            if (dumps.Damaged.AsRead(dump.Records(run.First + i))) ++damaged;
    }
    return damaged;
}

void ReadRuns(std::istream& in, TTd7Collections& dumps, std::span<const TRecordRun> runs) {
    for (const TRecordRun& run : runs) {
        midilink::TDumpCollection& dump = dumps.Of(run.Kind);
        for (int i = 0; i < run.Count; ++i) {
            midilink::TMidiDump& record = dump.Records(run.First + i);
            record.LoadFromStream(in);
            dumps.Damaged.Check(record);
        }
    }
}

}  // namespace td7
