#include "td7/map/Td7Decode.h"

#include <array>
#include <cstdio>
#include <string_view>

#include "midilink/DumpCollection.h"
#include "midilink/MidiDump.h"
#include "td7/map/Td7Map.h"

namespace td7 {

namespace {

// Record positions (data offset + 9) of the decoded fields.
constexpr int kInstrumentNameAt = kHeaderSize + 0;
constexpr int kInstrumentNameLength = 5;
constexpr int kInstrumentTypeAt = kHeaderSize + 5;
constexpr int kLayerModeAt = kHeaderSize + 0;
constexpr int kSound1At = kHeaderSize + 3;
constexpr int kSound2At = kHeaderSize + 6;

constexpr std::array<std::string_view, 12> kNoteNames = {"C ", "C#", "D ", "D#", "E ", "F ",
                                                         "F#", "G ", "G#", "A ", "A#", "B "};
constexpr std::array<std::string_view, 6> kLayerModes = {"Off", "VMix", "Sw1",
                                                         "Sw2", "Crs1", "Crs2"};

std::string Characters(const std::uint8_t* record, int at, int count) {
    return {reinterpret_cast<const char*>(record) + at, static_cast<std::size_t>(count)};
}

// A record of the collections may be shorter than its block's (a damaged one): read it
// through its bounds.
std::string Characters(const midilink::TMidiDump& record, int at, int count) {
    std::string text;
    for (int k = 0; k < count; ++k) text.push_back(static_cast<char>(record.Bytes(at + k)));
    return text;
}

bool Blank(char c) {
    return static_cast<unsigned char>(c) <= ' ';
}

int TwoBytes(const midilink::TMidiDump& record, int at) {
    return record.Bytes(at) * 128 + record.Bytes(at + 1);
}

}  // namespace

std::string PatchName(const std::uint8_t* common) {
    return Characters(common, kPatchNameAt, kPatchNameLength);
}

std::string PatchName(const midilink::TMidiDump& common) {
    return Characters(common, kPatchNameAt, kPatchNameLength);
}

std::string InstrumentNameText(const std::uint8_t* instrument) {
    return Characters(instrument, kInstrumentNameAt, kInstrumentNameLength) + "." +
           Characters(instrument, kInstrumentTypeAt, 1);
}

std::string InstrumentNameText(const midilink::TMidiDump& instrument) {
    return Characters(instrument, kInstrumentNameAt, kInstrumentNameLength) + "." +
           Characters(instrument, kInstrumentTypeAt, 1);
}

std::string InstrumentNameText(midilink::TDumpCollection& instruments, int i) {
    return InstrumentNameText(instruments.Records(i));
}

std::string TrimName(const std::string& text) {
    std::size_t first = 0;
    std::size_t last = text.size();
    while (first < last && Blank(text[first])) ++first;
    while (last > first && Blank(text[last - 1])) --last;
    return text.substr(first, last - first);
}

std::string SoundItemText(int i, midilink::TDumpCollection* instruments) {
    char number[16];
    std::snprintf(number, sizeof number, "%03d: ", i + 1);
    if (instruments == nullptr) return std::string(number) + "[Empty]";
    return std::string(number) + TrimName(InstrumentNameText(*instruments, i));
}

std::string NoteName(int n) {
    return std::string(kNoteNames[(n + 11) % 12]);
}

int NoteOctave(int n) {
    return (n + 23) / 12;
}

std::string NoteLabel(int n) {
    return std::to_string(kFirstNote + n) + " " + NoteName(n) + std::to_string(NoteOctave(n));
}

std::string LayerModeName(int mode) {
    if (mode >= 0 && mode < static_cast<int>(kLayerModes.size()))
        return std::string(kLayerModes[mode]);
    return "(" + std::to_string(mode) + ")";
}

int NotemapSound1(const midilink::TMidiDump& entry) {
    return TwoBytes(entry, kSound1At);
}

int NotemapSound2(const midilink::TMidiDump& entry) {
    return TwoBytes(entry, kSound2At);
}

std::string NotemapLine(int n, const midilink::TMidiDump& entry,
                        midilink::TDumpCollection& instruments) {
    const int sound1 = NotemapSound1(entry);
    const int sound2 = NotemapSound2(entry);
    if (sound1 >= kInstrumentCount || sound2 >= kInstrumentCount)
        throw DecodeError("Instrument dump is corrupted");
    return NoteLabel(n) + ": " + InstrumentNameText(instruments, sound1) + " " +
           InstrumentNameText(instruments, sound2) + " " + LayerModeName(entry.Bytes(kLayerModeAt));
}

}  // namespace td7
