// The factory content: 32 kits in the style of the module's presets and 512 instruments, two
// for each waveform (the second bank tuned up and shorter). Every value lies in the range the
// module's own display offers for it.
#include <algorithm>
#include <array>
#include <string_view>

#include "simulator/Td7Module.h"
#include "simulator/Waveforms.h"

namespace simulator {

namespace {

// System block: trigger/instrument channel 10, performance channels 11..13, control channel
// 10, foot pedal control, level 15, bend range 2, foot switch mode 1, sends to the effects,
// program changes in and out, MIDI out on, standard interface, local control and aftertouch.
constexpr std::array<std::uint8_t, Td7Module::kSystemSize> kSystem = {
    9, 9, 10, 11, 12, 9, 0, 15, 2, 0, 1, 1, 1, 1, 0, 0, 1, 0, 0, 0, 0, 1, 1};

enum Effect1 { Hall, Room, Plate, Delay };
enum Effect2 { Chorus, Flanger };

// One kit: its name (six characters), the waveforms of its main voices, its effects and the
// instrument bank (0: instruments 0..255, 1: the tuned bank 256..511).
struct Kit {
    std::string_view name;
    int kick, snare, toms, hihat, crash, ride;
    Effect1 effect1;
    Effect2 effect2;
    int bank;
};

constexpr Kit kKits[Td7Module::kPatchCount] = {
    {"Rock  ", 25, 89, 128, 141, 146, 151, Room, Chorus, 0},
    {"Jazz  ", 9, 49, 120, 141, 147, 153, Hall, Chorus, 0},
    {"Funk  ", 33, 94, 132, 141, 148, 151, Plate, Flanger, 0},
    {"Fusion", 20, 68, 120, 138, 146, 152, Hall, Chorus, 0},
    {"Pop   ", 6, 53, 120, 138, 146, 151, Room, Chorus, 0},
    {"Metal ", 13, 75, 128, 141, 149, 151, Room, Flanger, 0},
    {"Latin ", 1, 44, 132, 141, 148, 151, Plate, Chorus, 0},
    {"Brush ", 9, 47, 108, 141, 147, 153, Hall, Chorus, 0},
    {"Dance ", 37, 55, 114, 144, 146, 151, Delay, Flanger, 0},
    {"House ", 40, 60, 114, 144, 148, 152, Delay, Chorus, 0},
    {"TR-808", 36, 95, 114, 144, 146, 151, Room, Chorus, 0},
    {"TR-909", 37, 96, 114, 144, 147, 151, Plate, Flanger, 0},
    {"Studio", 21, 69, 120, 141, 146, 151, Plate, Chorus, 0},
    {"Power ", 23, 81, 128, 141, 147, 151, Hall, Chorus, 0},
    {"Reggae", 31, 85, 132, 138, 148, 151, Delay, Chorus, 0},
    {"HipHop", 24, 62, 114, 144, 146, 152, Room, Flanger, 0},
    {"Ambnt ", 17, 64, 132, 141, 146, 151, Hall, Chorus, 1},
    {"Big Rm", 8, 88, 132, 141, 147, 151, Hall, Chorus, 1},
    {"Tight ", 33, 94, 120, 138, 148, 153, Room, Chorus, 1},
    {"Maple ", 0, 72, 128, 141, 146, 152, Plate, Chorus, 1},
    {"Techno", 42, 97, 114, 144, 146, 151, Delay, Flanger, 1},
    {"Elec  ", 32, 73, 114, 144, 149, 151, Delay, Flanger, 1},
    {"Swing ", 10, 50, 108, 141, 147, 153, Hall, Chorus, 1},
    {"Blues ", 27, 83, 120, 141, 146, 151, Room, Chorus, 1},
    {"Soul  ", 22, 58, 132, 138, 146, 151, Plate, Chorus, 1},
    {"Heavy ", 29, 80, 128, 141, 149, 151, Hall, Flanger, 1},
    {"Punk  ", 12, 78, 128, 141, 147, 151, Room, Chorus, 1},
    {"Mondo ", 18, 65, 132, 141, 146, 151, Hall, Chorus, 1},
    {"Vintag", 3, 54, 110, 138, 147, 153, Room, Chorus, 1},
    {"Radio ", 26, 77, 120, 138, 146, 151, Delay, Chorus, 1},
    {"Percus", 1, 44, 132, 141, 148, 151, Plate, Chorus, 1},
    {"User  ", 25, 44, 120, 141, 146, 151, Room, Chorus, 0},
};

// Trigger notes of T1, R1, T2, R2 .. T9, R9 (kick, snare, hi-hat, four toms, ride, crash).
constexpr std::array<std::uint8_t, Td7Module::kTriggerCount> kTriggerNotes = {
    36, 35, 38, 40, 42, 46, 48, 50, 45, 47, 43, 58, 41, 39, 51, 53, 49, 57};
constexpr std::uint8_t kPedalNote = 44;

// Waveforms for the notes that are not the kit's own voices, GM style (note 35 first).
constexpr int kSideStick = 98, kHandClap = 204, kChinese = 149, kSplash = 148, kRideBell = 152,
              kTambourine = 155, kCowbell = 154, kVibraSlap = 170, kFirstPercussion = 154,
              kPercussionCount = 52;
constexpr int kKickAmbience = 241, kSnareAmbience = 242;

int NoteWaveform(const Kit& kit, int note) {
    switch (note) {
        case 35:
        case 36:
            return kit.kick;
        case 37:
            return kSideStick;
        case 38:
            return kit.snare;
        case 39:
            return kHandClap;
        case 40:
            return kit.snare + 1;
        case 41:
            return kit.toms + 3;
        case 43:
            return kit.toms + 2;
        case 45:
        case 47:
            return kit.toms + 1;
        case 48:
        case 50:
            return kit.toms;
        case 42:
            return kit.hihat;
        case 44:
            return kit.hihat == 144 ? 144 : kit.hihat + 2;  // the TR-808 has no pedal sound
        case 46:
            return kit.hihat + 1;
        case 49:
            return kit.crash;
        case 57:
            return kit.crash == 147 ? 146 : 147;
        case 51:
        case 59:
            return kit.ride;
        case 52:
            return kChinese;
        case 53:
            return kRideBell;
        case 54:
            return kTambourine;
        case 55:
            return kSplash;
        case 56:
            return kCowbell;
        case 58:
            return kVibraSlap;
        default:
            return kFirstPercussion + (note * 7) % kPercussionCount;
    }
}

void Put14(std::span<std::uint8_t> data, std::size_t at, int value) {
    data[at] = static_cast<std::uint8_t>((value >> 7) & 0x7F);
    data[at + 1] = static_cast<std::uint8_t>(value & 0x7F);
}

void PutNibbles(std::span<std::uint8_t> data, std::size_t at, int value) {
    data[at] = static_cast<std::uint8_t>((value >> 4) & 0x0F);
    data[at + 1] = static_cast<std::uint8_t>(value & 0x0F);
}

int Instrument(const Kit& kit, int waveform) {
    return kit.bank * kWaveformCount + waveform;
}

void FillCommon(std::span<std::uint8_t> c, int p, const Kit& kit) {
    c[0] = static_cast<std::uint8_t>(p);  // program change p+1
    c[1] = 0;                             // program change enabled
    std::copy(kit.name.begin(), kit.name.end(), c.begin() + 2);
    Put14(c, 8, Instrument(kit, 246));  // performance sounds: orchestra hit, guitar, bass
    Put14(c, 10, Instrument(kit, 244));
    Put14(c, 12, Instrument(kit, 251 + p % 5));
    c[14] = kit.effect1;
    const std::uint8_t effect1[] = {12, 5, 8, 15, 5, 0, 15, 5, 8, 15};  // hall, room, plate, delay
    std::copy(std::begin(effect1), std::end(effect1), c.begin() + 15);
    PutNibbles(c, 25, 80 + 4 * p);   // delay left time
    PutNibbles(c, 27, 120 + 4 * p);  // delay right time
    c[29] = 6;
    c[30] = static_cast<std::uint8_t>(3 + p % 8);  // delay feedback
    c[31] = kit.effect2;
    const std::uint8_t effect2[] = {15, 6, 4, 10, 20, 5, 8, 12};  // chorus, flanger
    std::copy(std::begin(effect2), std::end(effect2), c.begin() + 32);
    const std::uint8_t pedal[] = {10, 3, 1, kPedalNote, 4, 2, 0};  // hi-hat pedal
    std::copy(std::begin(pedal), std::end(pedal), c.begin() + 40);
}

void FillTrigger(std::span<std::uint8_t> t, int p, int trigger) {
    const bool cymbal = trigger >= 14;
    t[0] = kTriggerNotes[trigger];
    t[1] = cymbal ? 20 : 4;                   // gate time
    t[2] = 0;                                 // crosstalk group off
    t[3] = static_cast<std::uint8_t>(p % 4);  // velocity curve Norm1..4
    t[4] = 7;                                 // max dynamics 8
    t[5] = 0;                                 // min dynamics 1
    t[6] = 2;                                 // min velocity
    t[7] = trigger <= 1 ? 2 : 3;              // mask time 8 ms, 12 ms
    t[8] = trigger == 4 ? 5 : 7;              // threshold
    t[9] = trigger == 16 ? 1 : 0;             // crash choke
    t[10] = 0;                                // no sequence
}

void FillNoteMap(std::span<std::uint8_t> e, const Kit& kit, int note) {
    const int waveform = NoteWaveform(kit, note);
    const bool layered = note == 36 || note == 38;
    e[0] = layered ? 1 : 0;  // VMix for kick and snare, else one sound
    e[1] = layered ? 3 : 0;
    e[2] = 0;
    Put14(e, 3, Instrument(kit, waveform));
    e[5] = 0;
    Put14(e, 6,
          Instrument(kit, layered ? (note == 36 ? kKickAmbience : kSnareAmbience) : waveform));
}

void FillInstrument(std::span<std::uint8_t> d, int i) {
    const int waveform = i % kWaveformCount;
    const bool tuned = i >= kWaveformCount;
    const char type = WaveformType(waveform);
    const std::string name = WaveformShortName(waveform);
    std::copy(name.begin(), name.end(), d.begin());
    d[5] = static_cast<std::uint8_t>(type);
    PutNibbles(d, 6, waveform);
    d[8] = type == 'H' ? 1 : 0;     // hi-hats mono
    d[9] = type == 'H' ? 1 : 0;     // and in one assign group
    Put14(d, 10, tuned ? 120 : 0);  // pitch
    d[12] = tuned ? 25 : 31;        // decay -6 / 0
    int pan = 0;
    if (type == 'H') pan = -3;
    if (type == 'T') pan = (waveform % 2) ? 3 : -3;
    if (type == 'C') pan = 3;
    d[13] = static_cast<std::uint8_t>(pan + 7);
    d[14] = 7;  // nuance 0
    d[15] = 8;  // brilliance
    d[16] = 0;
    d[17] = 0;
    d[18] = 0;                                     // dynamic bend 0
    d[19] = 3;                                     // effect 2 send
    d[20] = (type == 'S' || type == 'T') ? 8 : 5;  // effect 1 send
    d[21] = type == 'K' ? 15 : 13;                 // level
}

}  // namespace

void Td7Module::LoadFactory() {
    std::fill(m_memory.begin(), m_memory.end(), 0);
    std::ranges::copy(kSystem, Data(SystemBlock()).begin());
    for (int p = 0; p < kPatchCount; ++p) {
        FillCommon(Data(CommonBlock(p)), p, kKits[p]);
        for (int t = 0; t < kTriggerCount; ++t) FillTrigger(Data(TriggerBlock(p, t)), p, t);
        for (int n = 0; n < kNoteMapCount; ++n)
            FillNoteMap(Data(NoteMapBlock(p, n)), kKits[p], kFirstNote + n);
    }
    for (int i = 0; i < kInstrumentCount; ++i) FillInstrument(Data(InstrumentBlock(i)), i);
}

}  // namespace simulator
