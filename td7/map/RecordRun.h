#pragma once

// Consecutive records of one collection, the unit in which files and the default patch
// store the mirror: a patch is three runs (common block, 18 triggers, 59 note-map entries),
// the instruments and the system block one each. On disk the records follow each other as
// complete messages, with nothing between them.

#include <array>
#include <cstdint>
#include <iosfwd>
#include <span>

#include "td7/map/Td7Map.h"

namespace td7 {

class TTd7Collections;

struct TRecordRun {
    Block Kind;
    int First;
    int Count;

    int Bytes() const { return InfoOf(Kind).Size * Count; }
};

// Patch p in the order in which every file holds it. "Index out of bounds" for a slot
// outside 0..31.
std::array<TRecordRun, 3> PatchRuns(int p);
TRecordRun InstrumentRun();
TRecordRun SystemRun();

int RunBytes(std::span<const TRecordRun> runs);

// Seals each record (fresh checksum, F0 and F7) and writes it as its collection holds it.
// A record marked damaged is written as the file held it, wrong checksum and all: a fresh
// checksum would pass the damage on to every later reader as sound data.
void WriteRuns(std::ostream& out, TTd7Collections& dumps, std::span<const TRecordRun> runs);

// How many records of the runs are marked damaged, which WriteRuns keeps as they were read.
int DamagedIn(TTd7Collections& dumps, std::span<const TRecordRun> runs);

// Reads each record's Size bytes as they stand; the headers are not checked, since a
// record's address is given by the place it is read into. Each record read marks its
// collection modified, and is marked damaged (or no longer) in dumps.Damaged.
void ReadRuns(std::istream& in, TTd7Collections& dumps, std::span<const TRecordRun> runs);

}  // namespace td7
