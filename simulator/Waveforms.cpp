#include "simulator/Waveforms.h"

#include <string_view>
#include <vector>

namespace simulator {

namespace {

// The module's 256 waveforms, in the order of their numbers.
constexpr std::array<const char*, kWaveformCount> kNames = {
    "Acoustic Maple Kick",
    "Acoustic Kick",
    "Boing Solid Kick",
    "Bright Kick",
    "Commercial Acoustic Kick",
    "Commercial Bright Kick",
    "Commercial Kick",
    "Deep Kick",
    "Deep Room Kick",
    "Dry Kick",
    "Easy Kick",
    "Easy Pillow Kick",
    "Flop Kick",
    "Hard Kick",
    "HiQ 808 Kick",
    "Hybrid Kick",
    "Light Reverb Kick",
    "Mondo Reverb Kick",
    "Mondo Kick",
    "Mondo Deep Kick",
    "Maple Pillow Kick",
    "Maple Reverb Kick",
    "Pillow Kick",
    "Punch Kick",
    "Rap Kick",
    "Real Kick",
    "Reverb Kick",
    "Room Kick 1",
    "Room Kick 2",
    "Smash Kick",
    "Solid Kick",
    "Surdo Acoustic Kick",
    "Synthesizer Kick",
    "Tight Kick",
    "Timpani Pillow Kick",
    "Tom Kick",
    "TR808 Kick",
    "TR909 Kick",
    "Reverb Solid Kick",
    "Verby Kick",
    "TR909 Acoustic Kick",
    "TR909 Commercial Kick",
    "TR909 Hard Kick",
    "Acoustic Rimshot Snare",
    "Acoustic Snare",
    "Attack Snare",
    "Big Shot Snare",
    "Brush Roll Snare 1",
    "Brush Roll Snare 2",
    "Brush Slap Snare 1",
    "Brush Slap Snare 2",
    "Brush Slap Snare 3",
    "Brush Swish Snare",
    "Combo Snare",
    "Cracker Snare",
    "Dance Snare",
    "Double Ring Snare",
    "Dopin Snare",
    "Fat Snare",
    "Hard Snare",
    "House Snare 1",
    "House Snare 2",
    "House Snare 3",
    "House Dopin Snare",
    "Huge Snare",
    "Hyper Snare",
    "L.A. Snare",
    "L.A. Fat Snare",
    "Light Maple Snare",
    "Light Snare 1",
    "Light Snare 2",
    "Loose Snare",
    "Maple Rock Snare",
    "Noise Snare",
    "Pandiero Snare",
    "Power Snare",
    "Radio Snare",
    "Rocker Snare",
    "Rockin' Snare",
    "Rock Light Snare",
    "Rock Power Snare",
    "Rock Rim Shot Snare",
    "Real Snare 1",
    "Real Snare 2",
    "Reggea Snare 1",
    "Reggea Snare 2",
    "Ring Snare",
    "Ring Maple Snare",
    "Rock Snare 1",
    "Rock Snare 2",
    "Super Combo Snare",
    "Super Light Snare",
    "Super Whack Snare",
    "Tight Snare",
    "TR-808 Snare",
    "TR-909 Snare",
    "90's Snare",
    "909 Light Snare",
    "Ambient Side Stick",
    "Maple Side Stick",
    "Metal Side Stick",
    "TR-808 Side Stick",
    "Acoustic Tom 1",
    "Acoustic Tom 2",
    "Ambo Tom 1",
    "Ambo Tom 2",
    "Boosh Tom 1",
    "Boosh Tom 2",
    "Brush Tom 1",
    "Brush Tom 2",
    "Dry Tom 1",
    "Dry Tom 2",
    "Double Head Tom 1",
    "Double Head Tom 2",
    "Electronic Tom 1",
    "Electronic Tom 2",
    "Electronic Tom 3",
    "Electronic Tom 4",
    "Light Tom 1",
    "Light Tom 2",
    "Real Tom 1",
    "Real Tom 2",
    "Real Tom 3",
    "Real Tom 4",
    "Rim Tom 1",
    "Rim Tom 2",
    "Ring Tom 1",
    "Ring Tom 2",
    "Rock Tom 1",
    "Rock Tom 2",
    "Rock Tom 3",
    "Rock Tom 4",
    "Room Tom 1",
    "Room Tom 2",
    "Room Tom 3",
    "Room Tom 4",
    "Surdo Tom",
    "TR-808 Tom",
    "Pop Closed Hihat",
    "Pop Open Hihat",
    "Pop Pedal Hihat",
    "Acoustic Closed Hihat",
    "Acoustic Open Hihat",
    "Acoustic Pedal Hihat",
    "TR-808 Closed Hihat",
    "TR-808 Open Hihat",
    "Crash Cymbal 1",
    "Crash Cymbal 2",
    "Splash Cymbal",
    "Chinese Cymbal",
    "Hand Cymbals",
    "Ride Cymbal",
    "Ride Bell Cymbal",
    "Brush Ride Cymbal",
    "Cowbell",
    "Tambourine",
    "Castanets",
    "Concert Bass Drum",
    "Timpani",
    "Triangle",
    "Wood Block",
    "Bongo High",
    "Bongo Low",
    "Conga High Mute",
    "Conga High Slap",
    "Conga High Open",
    "Conga Low Open",
    "Timbale High",
    "Timbale Low",
    "Claves",
    "Vibra-Slap",
    "Guro Short",
    "Guro Long",
    "Maracas",
    "Shaker",
    "Cabasa",
    "Whistle Short",
    "Whistle Long",
    "Agogo",
    "Cuica",
    "Pandero Mute",
    "Pandero Open",
    "Surdo",
    "Can 1",
    "Can 2",
    "Can 3",
    "Can 4",
    "Ethnic 1",
    "Ethnic 2",
    "Ethnic 3",
    "Log Drum",
    "Metal",
    "Taiko",
    "Tompani",
    "Tim-Tim",
    "Woody",
    "DR-55 Claves",
    "CR-78 Cowbell",
    "CR-78 Metalic Beat",
    "CR-78 Tanbourine",
    "CR-78 Maracas",
    "TR-808 Conga",
    "TR-808 Claves",
    "TR-808 Maracas",
    "TR-808 Hand Clap",
    "TR-808 Cowbell",
    "Glockenspiel",
    "Kalimba",
    "Marimba Lower",
    "Marimba Upper",
    "Steel Drum",
    "Vibraphone Lower",
    "Vibraphone Upper",
    "Xylophone",
    "Gamelan 1",
    "Gamelan 2",
    "Gamelan 3",
    "Scratch Push",
    "Scratch Pull",
    "Hi Q",
    "Snaps",
    "Hoo!",
    "Fx Noise",
    "Reverb Claps",
    "Light Shot",
    "Concert Ambience",
    "Crash!",
    "Dungeon",
    "Glass Crash",
    "Spark",
    "Reverse Kick",
    "Reverse Snare",
    "Reverse Tom",
    "Reverse Cymbal 1",
    "Reverse Cymbal 2",
    "Reverse Cymbal 3",
    "Reverse High Q",
    "Reverse Clap",
    "Reverse Shot",
    "Reverse Beat",
    "Reverse Ambience",
    "Kick Ambience",
    "Snare Ambience",
    "Tom Ambience",
    "Guitar Hit",
    "Guitar 5th",
    "Orchestra Hit",
    "Melodic 1",
    "Melodic 2",
    "Melodic 3",
    "Melodic 4",
    "Jazz Bass",
    "Slap Bass",
    "Acoustic Bass",
    "Synth Bass 1",
    "Synth Bass 2",
};

// Waveform families: first waveform number of each run and its type character.
struct Family {
    int first;
    char type;
};
constexpr Family kFamilies[] = {
    {0, 'K'},   {43, 'S'},  {98, 'R'},  {102, 'T'}, {138, 'H'}, {146, 'C'},
    {154, 'P'}, {206, 'M'}, {217, 'X'}, {244, 'M'}, {251, 'B'},
};

// Words that only repeat the family and waste the five characters of a short name.
constexpr std::string_view kFamilyWords[] = {"Kick",   "Snare", "Tom",  "Hihat",
                                             "Cymbal", "Side",  "Stick"};

bool IsFamilyWord(std::string_view word) {
    for (auto w : kFamilyWords)
        if (w == word) return true;
    return false;
}

}  // namespace

const char* WaveformName(int waveform) {
    return kNames.at(static_cast<std::size_t>(waveform));
}

char WaveformType(int waveform) {
    char type = kFamilies[0].type;
    for (const auto& family : kFamilies)
        if (waveform >= family.first) type = family.type;
    return type;
}

std::string WaveformShortName(int waveform) {
    std::vector<std::string_view> all, kept;
    std::string_view name = WaveformName(waveform);
    while (!name.empty()) {
        auto blank = name.find(' ');
        all.push_back(name.substr(0, blank));
        name = blank == std::string_view::npos ? std::string_view{} : name.substr(blank + 1);
    }
    for (auto word : all)
        if (!IsFamilyWord(word)) kept.push_back(word);
    if (kept.empty()) kept = all;

    // Later words give two characters each (a number one), the first word the rest.
    std::string tail;
    for (std::size_t k = 1; k < kept.size(); ++k) tail += kept[k].substr(0, 2);
    std::size_t headLength = tail.size() < kShortNameLength ? kShortNameLength - tail.size() : 1;
    std::string shortName = std::string(kept[0].substr(0, headLength)) + tail;
    shortName.resize(kShortNameLength, ' ');
    return shortName;
}

}  // namespace simulator
