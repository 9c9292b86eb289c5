#pragma once

// Inside td7/ only: the mirror's collections taken off the link while the module's copy is
// read.

#include <vector>

#include "midilink/DumpCollection.h"
#include "midilink/MidiLink.h"

namespace td7 {

// While the module's copy is read, the link must not hand its answers to the mirror's
// collections: a matching answer would overwrite the very data that is to be sent. They
// are attached again, in their order, however the read ends.
class DetachedCollections {
  public:
    explicit DetachedCollections(midilink::TMidiLink& link) : m_link(link), m_dumps(link.Dumps()) {
        for (midilink::TDumpCollection* dump : m_dumps) m_link.RemoveDump(dump);
    }
    ~DetachedCollections() {
        for (midilink::TDumpCollection* dump : m_dumps) m_link.AddDump(dump);
    }
    DetachedCollections(const DetachedCollections&) = delete;
    DetachedCollections& operator=(const DetachedCollections&) = delete;

  private:
    midilink::TMidiLink& m_link;
    std::vector<midilink::TDumpCollection*> m_dumps;
};

}  // namespace td7
