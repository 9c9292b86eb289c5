// The MIDI file reader over any bytes: it refuses with one line that names the file, or
// gives channel-10 notes in playing order with valid note numbers and velocities.

#include <cstdint>
#include <span>
#include <string>

#include "fuzz/FuzzSupport.h"
#include "td7/audition/MidiFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::vector<td7::TNoteEvent> notes;
    try {
        notes = td7::ReadMidiFileNotes(std::span(data, size), "f.mid");
    } catch (const td7::MidiFileError& e) {
        const std::string what = e.what();
        FUZZ_CHECK(what.rfind("f.mid: ", 0) == 0);
        FUZZ_CHECK(what.find('\n') == std::string::npos);
        return 0;
    }
    FUZZ_CHECK(!notes.empty());
    for (std::size_t i = 0; i < notes.size(); ++i) {
        const td7::TNoteEvent& e = notes[i];
        FUZZ_CHECK(e.Note >= 0 && e.Note <= 127);
        FUZZ_CHECK(e.On ? e.Velocity >= 1 && e.Velocity <= 127 : e.Velocity == 0);
        FUZZ_CHECK(e.Time.count() >= 0);
        if (i > 0) FUZZ_CHECK(!td7::PlaysBefore(e, notes[i - 1]));
    }
    return 0;
}
