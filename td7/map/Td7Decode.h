#pragma once

// Texts built from records: the patch name, an instrument's name text, the note-map line.

#include <cstdint>
#include <stdexcept>
#include <string>

namespace midilink {
class TDumpCollection;
class TMidiDump;
}  // namespace midilink

namespace td7 {

// A record whose bytes cannot be what the module sends.
class DecodeError : public std::runtime_error {
  public:
    explicit DecodeError(const std::string& text) : std::runtime_error(text) {}
};

// What the name field shows for an empty slot (the trailing blank is part of it).
inline constexpr const char* kEmptyPatchName = "Empty ";

// Where the patch name lies in the common record (record position) and its length.
inline constexpr int kPatchNameAt = 11;
inline constexpr int kPatchNameLength = 6;

// The six name characters of a patch common record, one byte each; also from the bytes of
// a whole record.
std::string PatchName(const midilink::TMidiDump& common);
std::string PatchName(const std::uint8_t* common);

// Five name characters, ".", the type character: seven characters.
std::string InstrumentNameText(const midilink::TMidiDump& instrument);
std::string InstrumentNameText(const std::uint8_t* instrument);
// The same for instrument i of the collection ("Index out of bounds" outside it).
std::string InstrumentNameText(midilink::TDumpCollection& instruments, int i);

// Leading and trailing blanks and control characters removed.
std::string TrimName(const std::string& text);

// An item of the sound lists: "001: " and instrument i's trimmed name text, or
// "001: [Empty]" without instruments (none given, or not present).
std::string SoundItemText(int i, midilink::TDumpCollection* instruments);

// Two characters ("C ", "C#", ...) and the octave of note-map entry n (MIDI note 35 + n).
std::string NoteName(int n);
int NoteOctave(int n);
// "35 B 1": note number, blank, note name, octave; the start of every note-map line.
std::string NoteLabel(int n);

// The layer mode's short name; a byte above 5 (no mode of the module) shows as its
// number in brackets, "(6)", so that a damaged entry is visible rather than hidden.
std::string LayerModeName(int mode);

// Sound 1 and Sound 2 of a note-map record: instrument numbers, high part first.
int NotemapSound1(const midilink::TMidiDump& entry);
int NotemapSound2(const midilink::TMidiDump& entry);

// "35 B 1: " + Sound 1's name text + " " + Sound 2's + " " + layer mode name. Raises
// DecodeError "Instrument dump is corrupted" when a sound number is 512 or more.
std::string NotemapLine(int n, const midilink::TMidiDump& entry,
                        midilink::TDumpCollection& instruments);

}  // namespace td7
