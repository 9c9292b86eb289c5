// MIDI files: which notes of a type 0 or type 1 file are played and when (tempo changes,
// running status, time code), and the one line each kind of bad file is refused with.

#include <gtest/gtest.h>

#include "td7/audition/MidiFile.h"

namespace {

using namespace std::chrono_literals;
using Bytes = std::vector<std::uint8_t>;
using td7::TNoteEvent;

Bytes Chunk(const char* tag, const Bytes& body) {
    Bytes chunk(tag, tag + 4);
    const auto n = static_cast<std::uint32_t>(body.size());
    for (int shift : {24, 16, 8, 0}) chunk.push_back(static_cast<std::uint8_t>(n >> shift));
    chunk.insert(chunk.end(), body.begin(), body.end());
    return chunk;
}

Bytes File(int type, std::uint16_t division, const std::vector<Bytes>& tracks) {
    Bytes file = Chunk(
        "MThd", {0, static_cast<std::uint8_t>(type), 0, static_cast<std::uint8_t>(tracks.size()),
                 static_cast<std::uint8_t>(division >> 8), static_cast<std::uint8_t>(division)});
    for (const Bytes& track : tracks) {
        const Bytes chunk = Chunk("MTrk", track);
        file.insert(file.end(), chunk.begin(), chunk.end());
    }
    return file;
}

// A type 0 file of one track at 96 ticks a quarter note.
Bytes Track(const Bytes& track) {
    return File(0, 96, {track});
}

const Bytes kEnd = {0x00, 0xFF, 0x2F, 0x00};

Bytes Join(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes& p : parts) all.insert(all.end(), p.begin(), p.end());
    return all;
}

TEST(MidiFile, ChannelTenNotesAtTheirTimes) {
    const struct {
        const char* what;
        Bytes file;
        std::vector<TNoteEvent> notes;
    } cases[] = {
        {"type 0 at the default 120 BPM, running status, a note-on of velocity 0 as note-off",
         File(0, 96,
              {Join({{0x00, 0x99, 36, 100},
                     {0x30, 38, 90},
                     {0x30, 0x99, 36, 0},
                     {0x00, 0x90, 40, 100},  // channel 1: not the drums
                     {0x00, 0x89, 38, 64},
                     kEnd})}),
         {{0ms, 36, 100, true},
          {250ms, 38, 90, true},
          {500ms, 36, 0, false},
          {500ms, 38, 0, false}}},
        {"type 1: the tempo in the first track, notes in the second; a tempo change mid-way",
         File(1, 480,
              {Join({{0x00, 0xFF, 0x51, 0x03, 0x09, 0x27, 0xC0},        // 600,000 us: 100 BPM
                     {0x83, 0x60, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20},  // tick 480: 120 BPM
                     kEnd}),
               Join({{0x83, 0x60, 0x99, 42, 80},
                     {0x83, 0x60, 0x99, 42, 81},
                     {0x00, 0xF0, 0x02, 0x7E, 0xF7},  // a sysex ends running status
                     {0x00, 0xC9, 5},
                     kEnd})}),
         {{600ms, 42, 80, true}, {1100ms, 42, 81, true}}},
        {"25 frames a second, 40 ticks a frame; an unknown chunk skipped",
         Join({File(0, 0xE728, {}), Chunk("XFIH", {1, 2, 3}),
               Chunk("MTrk", Join({{0x00, 0x99, 49, 127}, {0x81, 0x48, 0x89, 49, 0}, kEnd}))}),
         {{0ms, 49, 127, true}, {200ms, 49, 0, false}}},
    };
    for (const auto& c : cases) {
        Bytes file = c.file;
        // The header of the time-code case announces its one track itself.
        if (file.size() > 11 && file[11] == 0) file[11] = 1;
        EXPECT_EQ(td7::ReadMidiFileNotes(file, "t.mid"), c.notes) << c.what;
    }
}

TEST(MidiFile, BadFilesAreRefusedWithOneLine) {
    const Bytes notes = Join({{0x00, 0x99, 36, 100}, kEnd});
    Bytes cut = Track(notes);
    cut.resize(cut.size() - 3);
    Bytes twoAnnounced = File(1, 96, {notes});
    twoAnnounced[11] = 2;
    const struct {
        Bytes file;
        std::string error;
    } cases[] = {
        {{'R', 'I', 'F', 'F', 0, 0, 0, 6, 0, 0, 0, 1, 0, 96}, "t.mid: not a Standard MIDI File"},
        {{}, "t.mid: not a Standard MIDI File"},
        {File(2, 96, {notes}), "t.mid: type 2 MIDI files (independent patterns) are not played"},
        {File(3, 96, {notes}), "t.mid: unknown MIDI file type 3"},
        {File(0, 96, {notes, notes}), "t.mid: a type 0 MIDI file must have one track"},
        {File(1, 0, {notes}), "t.mid: a division of 0 ticks a quarter note"},
        {cut, "t.mid: track 1 is cut off"},
        {twoAnnounced, "t.mid: cut off: 2 tracks announced, 1 found"},
        {Track({0x00, 0x99, 36}), "t.mid: cut off in track 1"},
        {Track({0x00, 40, 100}), "t.mid: a data byte without a status in track 1"},
        {Track({0x00, 0x99, 36, 200}), "t.mid: a data byte above 127 in track 1"},
        {Track({0xFF, 0xFF, 0xFF, 0xFF, 0x7F}),
         "t.mid: a number longer than four bytes in track 1"},
        {Track({0x00, 0xF2, 0, 0}), "t.mid: a system message F2 inside a track in track 1"},
        {Track({0x00, 0xFF, 0x51, 0x02, 1, 2}), "t.mid: a tempo change of 2 bytes in track 1"},
        {Track({0x00, 0xFF, 0x51, 0x03, 0, 0, 0}), "t.mid: a tempo of 0 in track 1"},
        {Track(Join({{0x00, 0x90, 36, 100}, kEnd})), "t.mid: no notes on channel 10"},
        {File(0, 0xE300, {notes}), "t.mid: an unknown time code division"},
        {File(0, 96,
              {Join({{0xFF, 0xFF, 0xFF, 0x7F, 0x99, 36, 100},
                     {0xFF, 0xFF, 0xFF, 0x7F, 0x99, 36, 100},
                     {0xFF, 0xFF, 0xFF, 0x7F, 0x99, 36, 100}})}),
         "t.mid: a track too long to play in track 1"},
    };
    for (const auto& c : cases) {
        try {
            td7::ReadMidiFileNotes(c.file, "t.mid");
            ADD_FAILURE() << c.error;
        } catch (const td7::MidiFileError& e) {
            EXPECT_EQ(e.what(), c.error);
        }
    }
    EXPECT_THROW(td7::LoadMidiFileNotes("/nonexistent/t.mid"), td7::MidiFileError);
}

}  // namespace

namespace td7 {
void PrintTo(const TNoteEvent& e, std::ostream* out);
}
