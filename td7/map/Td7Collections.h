#pragma once

// The five dump collections that mirror the module, made and wired in one place.

#include <cstdint>

#include "midilink/DumpCollection.h"
#include "td7/map/RecordCheck.h"
#include "td7/map/Td7Map.h"

namespace midilink {
class TMidiLink;
}

namespace td7 {

// OnPrepare handlers: each writes bytes 1..8 of record `index` from the index alone, so a
// record's address follows its position after moves and exchanges.
void SystemDumpPrepare(midilink::TDumpCollection* sender, int index, std::uint8_t* buffer,
                       int size);
void ProgDumpPrepare(midilink::TDumpCollection* sender, int index, std::uint8_t* buffer, int size);
void TriggerDumpPrepare(midilink::TDumpCollection* sender, int index, std::uint8_t* buffer,
                        int size);
void NotemapDumpPrepare(midilink::TDumpCollection* sender, int index, std::uint8_t* buffer,
                        int size);
void InstrumentDumpPrepare(midilink::TDumpCollection* sender, int index, std::uint8_t* buffer,
                           int size);

// The collections with their sizes, counts, Roland checksums, header size 9, current record
// 0 and prepare handlers, attached to `link` (when given) in the order System, Prog,
// Trigger, Notemap, Instrument. `anyDumpChange` becomes OnChange of the first four,
// `instrumentDumpChange` that of the instruments. Attached bindings and the link are told
// when the collections go.
class TTd7Collections {
  public:
    TTd7Collections(midilink::TMidiLink* link, midilink::TDumpCollection::ChangeEvent anyDumpChange,
                    midilink::TDumpCollection::ChangeEvent instrumentDumpChange);
    TTd7Collections(const TTd7Collections&) = delete;
    TTd7Collections& operator=(const TTd7Collections&) = delete;

    midilink::TDumpCollection& Of(Block block);

    midilink::TDumpCollection SystemDump{"SystemDump"};
    midilink::TDumpCollection ProgDump{"ProgDump"};
    midilink::TDumpCollection TriggerDump{"TriggerDump"};
    midilink::TDumpCollection NotemapDump{"NotemapDump"};
    midilink::TDumpCollection InstrumentDump{"InstrumentDump"};

    // The records that files held damaged, checked as each record is read from one.
    TDamagedRecords Damaged;
};

}  // namespace td7
