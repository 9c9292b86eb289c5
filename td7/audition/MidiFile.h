#pragma once

// The notes of a Standard MIDI File (types 0 and 1) that a drum module plays: those on
// channel 10, at their times from the file's start after its tempo changes. A small reader
// of our own: the one library Debian has for these files reports its failures through GLib's
// log, several lines on standard error, where one line is wanted.

#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

#include "td7/audition/Schedule.h"

namespace td7 {

class MidiFileError : public std::runtime_error {
  public:
    explicit MidiFileError(const std::string& text) : std::runtime_error(text) {}
};

// A file larger than this is refused before it is read.
inline constexpr std::size_t kMaxMidiFileSize = 16 * 1024 * 1024;

// The channel-10 note-ons and note-offs in playing order (a note-on of velocity 0 is a
// note-off). MidiFileError "<source>: <what>" for anything that is not such a file, and for
// one that holds no note on channel 10.
std::vector<TNoteEvent> ReadMidiFileNotes(std::span<const std::uint8_t> bytes,
                                          const std::string& source);
// The same from a file; "<path>: cannot be read" when it cannot.
std::vector<TNoteEvent> LoadMidiFileNotes(const std::string& path);

}  // namespace td7
