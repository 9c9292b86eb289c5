#include "td7/map/ParameterTable.h"

#include <array>
#include <cstdio>
#include <span>
#include <stdexcept>

#include "midilink/MidiCom.h"
#include "td7/map/Td7Collections.h"
#include "td7/map/Td7Decode.h"

namespace td7 {

namespace {

using midilink::dm1Byte;
using midilink::dm2Bytes;
using midilink::dm2Nibbles;
using SV = std::string_view;

constexpr std::array<SV, 4> kEffect1Types = {"Hall", "Room", "Plate", "Delay"};
constexpr std::array<SV, 2> kEffect2Types = {"Chorus", "Flanger"};
constexpr std::array<SV, 12> kPedalCtrlModes = {"Off",     "Decay-W", "Decay-N", "Decay+N",
                                                "Decay+W", "Pitch-W", "Pitch-N", "Pitch+N",
                                                "Pitch+W", "Nuance",  "Hihat1",  "Hihat2"};
constexpr std::array<SV, 10> kPedalAssigns = {"All",   "Trig1", "Trig2", "Trig3", "Trig4",
                                              "Trig5", "Trig6", "Trig7", "Trig8", "Trig9"};
constexpr std::array<SV, 8> kVelocityCurves = {"Norm1", "Norm2", "Norm3", "Norm4",
                                               "Fix32", "Fix64", "Fix96", "Fix127"};
constexpr std::array<SV, 6> kLayerModes = {"Off", "Mix", "Switch1", "Switch2", "Cross1", "Cross2"};
constexpr std::array<SV, 2> kPolyphony = {"Poly", "Mono"};
constexpr std::array<SV, 5> kCtrlChModes = {"Foot", "Modulation", "Hold", "General 1", "General 2"};
constexpr std::array<SV, 3> kFootSwModes = {"Mode 1", "Mode 2", "Sound On Sound"};
constexpr std::array<SV, 3> kSetSend1 = {"Off", "Effect 1", "Individual 1"};
constexpr std::array<SV, 3> kSetSend2 = {"Off", "Effect 2", "Individual 2"};
constexpr std::array<SV, 3> kInterfaceModes = {"Standard", "Midi Sound", "Trig To Midi"};

// Waveform names; the items read "000 Acoustic Maple Kick" .. "255 Synth Bass 2".
// clang-format off
constexpr std::array<SV, 256> kWaveforms = {
    "Acoustic Maple Kick", "Acoustic Kick", "Boing Solid Kick", "Bright Kick",
    "Commercial Acoustic Kick", "Commercial Bright Kick", "Commercial Kick", "Deep Kick",
    "Deep Room Kick", "Dry Kick", "Easy Kick", "Easy Pillow Kick", "Flop Kick", "Hard Kick",
    "HiQ 808 Kick", "Hybrid Kick", "Light Reverb Kick", "Mondo Reverb Kick", "Mondo Kick",
    "Mondo Deep Kick", "Maple Pillow Kick", "Maple Reverb Kick", "Pillow Kick", "Punch Kick",
    "Rap Kick", "Real Kick", "Reverb Kick", "Room Kick 1", "Room Kick 2", "Smash Kick",
    "Solid Kick", "Surdo Acoustic Kick", "Synthesizer Kick", "Tight Kick", "Timpani Pillow Kick",
    "Tom Kick", "TR808 Kick", "TR909 Kick", "Reverb Solid Kick", "Verby Kick",
    "TR909 Acoustic Kick", "TR909 Commercial Kick", "TR909 Hard Kick", "Acoustic Rimshot Snare",
    "Acoustic Snare", "Attack Snare", "Big Shot Snare", "Brush Roll Snare 1", "Brush Roll Snare 2",
    "Brush Slap Snare 1", "Brush Slap Snare 2", "Brush Slap Snare 3", "Brush Swish Snare",
    "Combo Snare", "Cracker Snare", "Dance Snare", "Double Ring Snare", "Dopin Snare", "Fat Snare",
    "Hard Snare", "House Snare 1", "House Snare 2", "House Snare 3", "House Dopin Snare",
    "Huge Snare", "Hyper Snare", "L.A. Snare", "L.A. Fat Snare", "Light Maple Snare",
    "Light Snare 1", "Light Snare 2", "Loose Snare", "Maple Rock Snare", "Noise Snare",
    "Pandiero Snare", "Power Snare", "Radio Snare", "Rocker Snare", "Rockin' Snare",
    "Rock Light Snare", "Rock Power Snare", "Rock Rim Shot Snare", "Real Snare 1", "Real Snare 2",
    "Reggea Snare 1", "Reggea Snare 2", "Ring Snare", "Ring Maple Snare", "Rock Snare 1",
    "Rock Snare 2", "Super Combo Snare", "Super Light Snare", "Super Whack Snare", "Tight Snare",
    "TR-808 Snare", "TR-909 Snare", "90's Snare", "909 Light Snare", "Ambient Side Stick",
    "Maple Side Stick", "Metal Side Stick", "TR-808 Side Stick", "Acoustic Tom 1",
    "Acoustic Tom 2", "Ambo Tom 1", "Ambo Tom 2", "Boosh Tom 1", "Boosh Tom 2", "Brush Tom 1",
    "Brush Tom 2", "Dry Tom 1", "Dry Tom 2", "Double Head Tom 1", "Double Head Tom 2",
    "Electronic Tom 1", "Electronic Tom 2", "Electronic Tom 3", "Electronic Tom 4", "Light Tom 1",
    "Light Tom 2", "Real Tom 1", "Real Tom 2", "Real Tom 3", "Real Tom 4", "Rim Tom 1",
    "Rim Tom 2", "Ring Tom 1", "Ring Tom 2", "Rock Tom 1", "Rock Tom 2", "Rock Tom 3",
    "Rock Tom 4", "Room Tom 1", "Room Tom 2", "Room Tom 3", "Room Tom 4", "Surdo Tom",
    "TR-808 Tom", "Pop Closed Hihat", "Pop Open Hihat", "Pop Pedal Hihat", "Acoustic Closed Hihat",
    "Acoustic Open Hihat", "Acoustic Pedal Hihat", "TR-808 Closed Hihat", "TR-808 Open Hihat",
    "Crash Cymbal 1", "Crash Cymbal 2", "Splash Cymbal", "Chinese Cymbal", "Hand Cymbals",
    "Ride Cymbal", "Ride Bell Cymbal", "Brush Ride Cymbal", "Cowbell", "Tambourine", "Castanets",
    "Concert Bass Drum", "Timpani", "Triangle", "Wood Block", "Bongo High", "Bongo Low",
    "Conga High Mute", "Conga High Slap", "Conga High Open", "Conga Low Open", "Timbale High",
    "Timbale Low", "Claves", "Vibra-Slap", "Guro Short", "Guro Long", "Maracas", "Shaker",
    "Cabasa", "Whistle Short", "Whistle Long", "Agogo", "Cuica", "Pandero Mute", "Pandero Open",
    "Surdo", "Can 1", "Can 2", "Can 3", "Can 4", "Ethnic 1", "Ethnic 2", "Ethnic 3", "Log Drum",
    "Metal", "Taiko", "Tompani", "Tim-Tim", "Woody", "DR-55 Claves", "CR-78 Cowbell",
    "CR-78 Metalic Beat", "CR-78 Tanbourine", "CR-78 Maracas", "TR-808 Conga", "TR-808 Claves",
    "TR-808 Maracas", "TR-808 Hand Clap", "TR-808 Cowbell", "Glockenspiel", "Kalimba",
    "Marimba Lower", "Marimba Upper", "Steel Drum", "Vibraphone Lower", "Vibraphone Upper",
    "Xylophone", "Gamelan 1", "Gamelan 2", "Gamelan 3", "Scratch Push", "Scratch Pull", "Hi Q",
    "Snaps", "Hoo!", "Fx Noise", "Reverb Claps", "Light Shot", "Concert Ambience", "Crash!",
    "Dungeon", "Glass Crash", "Spark", "Reverse Kick", "Reverse Snare", "Reverse Tom",
    "Reverse Cymbal 1", "Reverse Cymbal 2", "Reverse Cymbal 3", "Reverse High Q", "Reverse Clap",
    "Reverse Shot", "Reverse Beat", "Reverse Ambience", "Kick Ambience", "Snare Ambience",
    "Tom Ambience", "Guitar Hit", "Guitar 5th", "Orchestra Hit", "Melodic 1", "Melodic 2",
    "Melodic 3", "Melodic 4", "Jazz Bass", "Slap Bass", "Acoustic Bass", "Synth Bass 1",
    "Synth Bass 2",
};
// clang-format on

// "Off" then the numbers 1..N.
constexpr int kSeqPatterns = 49;
constexpr int kAssignGroups = 32;

// Shown values of the minimal-velocity knob, 0..15.
constexpr std::array<SV, 16> kMinVelocities = {"1",  "2",  "3",  "5",  "7",  "10", "13", "17",
                                               "21", "26", "31", "37", "43", "49", "56", "64"};

// The lists written out in full; the generated ones (numbers, notes, instruments, waveform
// numbers) have none here.
constexpr std::span<const SV> FixedNames(ItemList list) {
    switch (list) {
        case ItemList::Effect1Types:
            return kEffect1Types;
        case ItemList::Effect2Types:
            return kEffect2Types;
        case ItemList::PedalCtrlModes:
            return kPedalCtrlModes;
        case ItemList::PedalAssigns:
            return kPedalAssigns;
        case ItemList::VelocityCurves:
            return kVelocityCurves;
        case ItemList::LayerModes:
            return kLayerModes;
        case ItemList::Polyphony:
            return kPolyphony;
        case ItemList::CtrlChModes:
            return kCtrlChModes;
        case ItemList::FootSwModes:
            return kFootSwModes;
        case ItemList::SetSend1:
            return kSetSend1;
        case ItemList::SetSend2:
            return kSetSend2;
        case ItemList::InterfaceModes:
            return kInterfaceModes;
        default:
            return {};
    }
}

constexpr int CountOf(ItemList list) {
    switch (list) {
        case ItemList::SeqPatterns:
            return kSeqPatterns;
        case ItemList::Notes:
            return kNotesPerPatch;
        case ItemList::Sounds:
            return kInstrumentCount;
        case ItemList::Waveforms:
            return static_cast<int>(kWaveforms.size());
        case ItemList::AssignGroups:
            return kAssignGroups;
        default:
            return static_cast<int>(FixedNames(list).size());
    }
}

constexpr WindowId WindowFor(PanelId panel) {
    switch (panel) {
        case PanelId::Inst:
            return WindowId::Instrument;
        case PanelId::System:
            return WindowId::System;
        default:
            return WindowId::Main;
    }
}

constexpr Block BlockFor(PanelId panel) {
    switch (panel) {
        case PanelId::Trigger:
            return Block::Trigger;
        case PanelId::Notemap:
            return Block::Notemap;
        case PanelId::Inst:
            return Block::Instrument;
        case PanelId::System:
            return Block::System;
        default:
            return Block::Prog;
    }
}

// Row builders, one per kind of control; what they leave out is the kind's usual value
// (DataWidth 7, no negatives, check boxes storing 1 and 0).
struct Row : TParameter {
    constexpr Row Signed(int width) const {
        Row row = *this;
        row.Negatives = true;
        row.DataWidth = width;
        return row;
    }
    constexpr Row CheckedStores(int checked, int unchecked) const {
        Row row = *this;
        row.CheckedValue = checked;
        row.UnCheckedValue = unchecked;
        return row;
    }
};

constexpr Row Make(SV name, PanelId panel, SV page, ControlKind kind, int dumpIndex, int min,
                   int max, ItemList items, int offset, int def, midilink::TDumpMode mode,
                   SV command, ValueTextRule rule, SV hint, SV caption) {
    return Row{{.Name = name,
                .Window = WindowFor(panel),
                .Panel = panel,
                .Page = page,
                .Kind = kind,
                .Collection = BlockFor(panel),
                .DumpIndex = dumpIndex,
                .Min = min,
                .Max = max,
                .Items = items,
                .Offset = offset,
                .Default = def,
                .DumpMode = mode,
                .Negatives = false,
                .DataWidth = 7,
                .MidiCommand = command,
                .ValueText = rule,
                .CheckedValue = 1,
                .UnCheckedValue = 0,
                .Hint = hint,
                .Caption = caption}};
}

constexpr Row Knob(SV name, PanelId panel, SV page, int dumpIndex, int min, int max, int offset,
                   int def, midilink::TDumpMode mode, SV command, ValueTextRule rule, SV hint,
                   SV caption) {
    return Make(name, panel, page, ControlKind::Knob, dumpIndex, min, max, ItemList::None, offset,
                def, mode, command, rule, hint, caption);
}

constexpr Row Combo(SV name, PanelId panel, int dumpIndex, ItemList items, int offset, int def,
                    midilink::TDumpMode mode, SV command, SV hint, SV caption) {
    return Make(name, panel, "", ControlKind::Combo, dumpIndex, 0, CountOf(items) - 1, items,
                offset, def, mode, command, ValueTextRule::Plain, hint, caption);
}

constexpr Row Check(SV name, PanelId panel, int dumpIndex, int def, SV command, SV hint,
                    SV caption) {
    return Make(name, panel, "", ControlKind::Check, dumpIndex, 0, 1, ItemList::None, 0, def,
                dm1Byte, command, ValueTextRule::Plain, hint, caption);
}

constexpr Row UpDown(SV name, PanelId panel, int dumpIndex, int min, int max, int offset, int def,
                     SV command, SV hint, SV caption) {
    return Make(name, panel, "", ControlKind::UpDown, dumpIndex, min, max, ItemList::None, offset,
                def, dm1Byte, command, ValueTextRule::Plain, hint, caption);
}

// The form's defaults of udProgram, DelayLTime and DelayRTime (0) lie below their ranges, where
// a control can never show them; they are the lowest shown value here.
// Knob(name, panel, page, DumpIndex, Min, Max, Offset, Default, DumpMode, template, value
//      text, hint, caption); Combo(name, panel, DumpIndex, items, Offset, Default, DumpMode,
//      template, hint, caption); Check(name, panel, DumpIndex, Default, template, hint,
//      caption); UpDown(name, panel, DumpIndex, Min, Max, Offset, Default, template, hint,
//      caption).
using enum PanelId;
using enum ItemList;
using enum ValueTextRule;

constexpr Row kRows[] = {
    UpDown("udProgram", PatchCommon, 9, 1, 128, -1, 1, "F041v0581200000000d000F7",
           "Program Change Number", ""),
    Check("cbRxProgram", PatchCommon, 10, 0, "F041v0581200000001d000F7", "Program Change Enable",
          "Program:")
        .CheckedStores(0, 1),
    Combo("PerfSound1", PatchCommon, 17, Sounds, 0, 0, dm2Bytes, "F041v0581200000008d1d000F7",
          "Performance Sound 1", "PerfSnd 1:"),
    Combo("PerfSound2", PatchCommon, 19, Sounds, 0, 0, dm2Bytes, "F041v058120000000Ad1d000F7",
          "Performance Sound 2", "PerfSnd 2:"),
    Combo("PerfSound3", PatchCommon, 21, Sounds, 0, 0, dm2Bytes, "F041v058120000000Cd1d000F7",
          "Performance Sound 3", "PerfSnd 3:"),
    Combo("Effect1Type", Effect1, 23, Effect1Types, 0, 0, dm1Byte, "F041v058120000000Ed000F7",
          "Effect 1 Type", "Type:"),
    Knob("HallLevel", Effect1, "Hall", 24, 0, 15, 0, 12, dm1Byte, "F041v058120000000Fd000F7", Plain,
         "Hall Output Level", "Level"),
    Knob("HallTime", Effect1, "Hall", 25, 0, 15, 0, 5, dm1Byte, "F041v0581200000010d000F7", Plain,
         "Hall Reverb Time", "Time"),
    Knob("HallLpf", Effect1, "Hall", 26, 0, 15, 0, 8, dm1Byte, "F041v0581200000011d000F7", Plain,
         "Hall Low Pass Filter", "LPF"),
    Knob("RoomLevel", Effect1, "Room", 27, 0, 15, 0, 15, dm1Byte, "F041v0581200000012d000F7", Plain,
         "Room Output Level", "Level"),
    Knob("RoomTime", Effect1, "Room", 28, 0, 15, 0, 5, dm1Byte, "F041v0581200000013d000F7", Plain,
         "Room Reverb Time", "Time"),
    Knob("RoomLpf", Effect1, "Room", 29, 0, 15, 0, 0, dm1Byte, "F041v0581200000014d000F7", Plain,
         "Room Lowpass Filter", "LPF"),
    Knob("PlateLevel", Effect1, "Plate", 30, 0, 15, 0, 15, dm1Byte, "F041v0581200000015d000F7",
         Plain, "Plate Output Level", "Level"),
    Knob("PlateTime", Effect1, "Plate", 31, 0, 15, 0, 5, dm1Byte, "F041v0581200000016d000F7", Plain,
         "Plate Reverb Time", "Time"),
    Knob("PlateLpf", Effect1, "Plate", 32, 0, 15, 0, 8, dm1Byte, "F041v0581200000017d000F7", Plain,
         "Plate Lowpass Filter", "LPF"),
    Knob("DelayLevel", Effect1, "Delay", 33, 0, 15, 0, 15, dm1Byte, "F041v0581200000018d000F7",
         Plain, "Delay Output Level", "Level"),
    Knob("DelayLTime", Effect1, "Delay", 34, 1, 255, 0, 1, dm2Nibbles, "F041v0581200000019n1n000F7",
         Plain, "Delay Left Time", "LTime"),
    Knob("DelayRTime", Effect1, "Delay", 36, 1, 255, 0, 1, dm2Nibbles, "F041v058120000001Bn1n000F7",
         Plain, "Delay Right Time", "RTime"),
    Knob("DelayLpf", Effect1, "Delay", 38, 0, 15, 0, 0, dm1Byte, "F041v058120000001Dd000F7", Plain,
         "Delay Lowpass Filter", "LPF"),
    Knob("DelayFeedback", Effect1, "Delay", 39, 0, 15, 0, 0, dm1Byte, "F041v058120000001Ed000F7",
         Plain, "Delay Feedback", "Fdback"),
    Combo("Effect2Type", Effect2, 40, Effect2Types, 0, 0, dm1Byte, "F041v058120000001Fd000F7",
          "Effect 2 Type", "Type:"),
    Knob("ChorusLevel", Effect2, "Chorus", 41, 0, 15, 0, 15, dm1Byte, "F041v0581200000020d000F7",
         Plain, "Chorus Output Level", "Level"),
    Knob("ChorusRate", Effect2, "Chorus", 42, 0, 31, 0, 0, dm1Byte, "F041v0581200000021d000F7",
         Plain, "Chorus Rate", "Rate"),
    Knob("ChorusDepth", Effect2, "Chorus", 43, 0, 15, 0, 4, dm1Byte, "F041v0581200000022d000F7",
         Plain, "Chorus Depth", "Depth"),
    Knob("FlangerLevel", Effect2, "Flanger", 44, 0, 15, 0, 0, dm1Byte, "F041v0581200000023d000F7",
         Plain, "Flanger Output Level", "Level"),
    Knob("FlangerRate", Effect2, "Flanger", 45, 0, 31, 0, 20, dm1Byte, "F041v0581200000024d000F7",
         Plain, "Flanger Rate", "Rate"),
    Knob("FlangerFeedback", Effect2, "Flanger", 46, 0, 15, 0, 0, dm1Byte,
         "F041v0581200000025d000F7", Plain, "Phaser Feedback", "Fdback"),
    Knob("FlangerDepth", Effect2, "Flanger", 47, 0, 15, 0, 0, dm1Byte, "F041v0581200000026d000F7",
         Plain, "Phaser Depth", "Depth"),
    Knob("FlangerDelayTime", Effect2, "Flanger", 48, 0, 31, 0, 0, dm1Byte,
         "F041v0581200000027d000F7", Plain, "Phaser Delay Time", "DelayT"),
    Combo("pxCtrlMode", HihatPedal, 49, PedalCtrlModes, 0, 10, dm1Byte, "F041v0581200000028d000F7",
          "", "Ctrl Mode:"),
    Combo("pxAssign", HihatPedal, 50, PedalAssigns, 0, 3, dm1Byte, "F041v0581200000029d000F7", "",
          "Assign:"),
    Knob("pxPedalCurve", HihatPedal, "", 51, 1, 4, -1, 2, dm1Byte, "F041v058120000002Ad000F7",
         Plain, "", "P.Curve"),
    Combo("pxNoteNr", HihatPedal, 52, Notes, 35, 0, dm1Byte, "F041v058120000002Bd000F7", "",
          "Note:"),
    Knob("pxGateTime", HihatPedal, "", 53, 1, 40, 0, 1, dm1Byte, "F041v058120000002Cd000F7",
         GateTime, "", "Gt Time"),
    Combo("pxVeloCurve", HihatPedal, 54, VelocityCurves, 0, 2, dm1Byte, "F041v058120000002Dd000F7",
          "", "V. Curve:"),
    Combo("pxSeqPtrn", HihatPedal, 55, SeqPatterns, 0, 0, dm1Byte, "F041v058120000002Ed000F7", "",
          "Seq. Pat.:"),
    Combo("txNoteNr", Trigger, 9, Notes, 35, 0, dm1Byte, "F041v0581200000100d000F7",
          "Trigger Note (See Notemap)", "Note:"),
    Knob("txGateTime", Trigger, "", 10, 1, 40, 0, 1, dm1Byte, "F041v0581200000101d000F7", GateTime,
         "Gate Time", "Gt Time"),
    Combo("txCrosstalk", Trigger, 11, SeqPatterns, 0, 0, dm1Byte, "F041v0581200000102d000F7",
          "Trigger Crosstalk Group", "XTalk Grp:"),
    Combo("txVelCurve", Trigger, 12, VelocityCurves, 0, 2, dm1Byte, "F041v0581200000103d000F7",
          "Trigger Velocity Curve", "V. Curve:"),
    Knob("txMaxDyna", Trigger, "", 13, 1, 16, -1, 8, dm1Byte, "F041v0581200000104d000F7", Plain,
         "Maximum Dynamic Range", "Mx Dyn."),
    Knob("txMinDyna", Trigger, "", 14, 1, 16, -1, 1, dm1Byte, "F041v0581200000105d000F7", Plain,
         "Minimum Dynamic Range", "Mn Dyn."),
    Knob("txMinVelo", Trigger, "", 15, 0, 15, 0, 0, dm1Byte, "F041v0581200000106d000F7", MinVelo,
         "Minimal Velocity", "Min Vel."),
    Knob("txMaskTime", Trigger, "", 16, 0, 31, 0, 13, dm1Byte, "F041v0581200000107d000F7", MaskTime,
         "Mask Time", "Mask T."),
    Knob("txTreshold", Trigger, "", 17, 1, 16, -1, 8, dm1Byte, "F041v0581200000108d000F7", Plain,
         "Treshold", "Treshold"),
    Check("txChoke", Trigger, 18, 0, "F041v0581200000109d000F7", "Trigger Choke", "Choke"),
    Combo("txSeqPtrn", Trigger, 19, SeqPatterns, 0, 0, dm1Byte, "F041v058120000010Ad000F7",
          "Trigger Sequence Pattern", "Seq. Pat.:"),
    Combo("LayerMode", Notemap, 9, LayerModes, 0, 0, dm1Byte, "F041v0581200000000d000F7",
          "Sound Layer", "Layer:"),
    Knob("LayerValue", Notemap, "", 10, 1, 8, -1, 1, dm1Byte, "F041v0581200000001d000F7", Plain,
         "Layer Value", "Value"),
    Knob("Sound1Pitch", Notemap, "", 11, -48, 48, 0, 0, dm1Byte, "F041v0581200000002d000F7",
         SoundPitch, "Sound 1 Pitch", "Pitch")
        .Signed(7),
    Combo("Sound1", Notemap, 12, Sounds, 0, 0, dm2Bytes, "F041v0581200000003d1d000F7", "Sound 1",
          "Sound 1:"),
    Knob("Sound2Pitch", Notemap, "", 14, -48, 48, 0, 0, dm1Byte, "F041v0581200000005d000F7",
         SoundPitch, "Sound 2 Pitch", "Pitch")
        .Signed(7),
    Combo("Sound2", Notemap, 15, Sounds, 0, 0, dm2Bytes, "F041v0581200000006d1d000F7", "Sound 2",
          "Sound 2:"),
    Combo("Waveform", Inst, 15, Waveforms, 0, 0, dm2Nibbles, "F041v0581201000006n1n000F7",
          "Waveform", "Waveform:"),
    Combo("Polyphony", Inst, 17, Polyphony, 0, 0, dm1Byte, "F041v0581201000008d000F7", "Polyphony",
          "Polyphony:"),
    Combo("Assign", Inst, 18, AssignGroups, 0, 0, dm1Byte, "F041v0581201000009d000F7",
          "Assign Group", "Asgn. Grp:"),
    Knob("Pitch", Inst, "", 19, -480, 480, 0, 0, dm2Bytes, "F041v058120100000Ad1d000F7",
         InstrumentPitch, "Intrument Pitch", "Pitch")
        .Signed(10),
    Knob("Decay", Inst, "", 21, -31, 31, 31, 0, dm1Byte, "F041v058120100000Cd000F7", Plain,
         "Instrument Decay", "Decay"),
    Knob("Pan", Inst, "", 22, -7, 8, 7, 0, dm1Byte, "F041v058120100000Dd000F7", Pan,
         "Instrument Pan", "Pan"),
    Knob("Nuance", Inst, "", 23, -7, 7, 7, 0, dm1Byte, "F041v058120100000Ed000F7", Plain,
         "Instrument Nuance", "Nuance"),
    Knob("Brilliance", Inst, "", 24, 0, 15, 0, 0, dm1Byte, "F041v058120100000Fd000F7", Plain,
         "Instrument Brilliance", "Brilliance"),
    Knob("AttackDamp", Inst, "", 25, 0, 15, 0, 0, dm1Byte, "F041v0581201000010d000F7", Plain,
         "Instrument Attack Damp", "Attack Damp"),
    Knob("BendTime", Inst, "", 26, 0, 15, 0, 0, dm1Byte, "F041v0581201000011d000F7", Plain,
         "Instrument Bend Time", "Bend Time"),
    Knob("DynaBend", Inst, "", 27, -7, 7, 0, 0, dm1Byte, "F041v0581201000012d000F7", Plain,
         "Instrument Dynamic Bend", "Dynamic Bend")
        .Signed(7),
    Knob("Effect2", Inst, "", 28, 0, 15, 0, 0, dm1Byte, "F041v0581201000013d000F7", Plain,
         "Instrument Effect 2 Send", "Fx2"),
    Knob("Effect1", Inst, "", 29, 0, 15, 0, 0, dm1Byte, "F041v0581201000014d000F7", Plain,
         "Instrument Effect 1 Send", "Fx1"),
    Knob("Level", Inst, "", 30, 0, 15, 0, 0, dm1Byte, "F041v0581201000015d000F7", Plain,
         "Instrument Level", "Level"),
    UpDown("TrigTxCh", System, 9, 1, 16, -1, 10, "F041v0581203000000d000F7",
           "Trigger Transmit Channel", "Trig. Transmit Ch.:"),
    UpDown("InstTxCh", System, 10, 1, 16, -1, 10, "F041v0581203000001d000F7",
           "Instrument Transmit Channel", "Inst. Transmit Ch.:"),
    Knob("Prf1Chan", System, "", 11, 1, 17, -1, 11, dm1Byte, "F041v0581203000002d000F7", PrfChan,
         "Performance Sound 1 Channel", "Prf1 Ch"),
    Knob("Prf2Chan", System, "", 12, 1, 17, -1, 12, dm1Byte, "F041v0581203000003d000F7", PrfChan,
         "Performance Sound 2 Channel", "Prf2 Ch"),
    Knob("Prf3Chan", System, "", 13, 1, 17, -1, 13, dm1Byte, "F041v0581203000004d000F7", PrfChan,
         "Performance Sound 3 Channel", "Prf3 Ch"),
    UpDown("CtrlTxCh", System, 14, 1, 16, -1, 10, "F041v0581203000005d000F7",
           "Control Transmit Channel", "Ctrl. Transmit Ch.:"),
    Combo("CtrlChMode", System, 15, CtrlChModes, 0, 0, dm1Byte, "F041v0581203000006d000F7",
          "Control Change Mode", "Ctrl. Change Mode:"),
    Knob("InstLevel", System, "", 16, 0, 15, 0, 15, dm1Byte, "F041v0581203000007d000F7", Plain,
         "Instrument Level", "Inst Lev"),
    Knob("PitchBend", System, "", 17, 0, 12, 0, 0, dm1Byte, "F041v0581203000008d000F7", PitchBend,
         "Pitchbend", "P.Bend"),
    Combo("FootSwMode", System, 18, FootSwModes, 0, 0, dm1Byte, "F041v0581203000009d000F7",
          "Foot Switch Mode", "Foot Switch Mode:"),
    Combo("SetSend1", System, 19, SetSend1, 0, 1, dm1Byte, "F041v058120300000Ad000F7", "Set Send 1",
          "Set Send 1:"),
    Combo("SetSend2", System, 20, SetSend2, 0, 1, dm1Byte, "F041v058120300000Bd000F7", "Set Send 2",
          "Set Send 2:"),
    Check("RxProgChange", System, 21, 1, "F041v058120300000Cd000F7", "Program Change Recieve",
          "Prog Change Rx:"),
    Check("TxProgChange", System, 22, 1, "F041v058120300000Dd000F7", "Program Change Transmit",
          "Prog Change Tx:"),
    Check("RxNoteOff", System, 23, 0, "F041v058120300000Ed000F7", "Note Off Recieve",
          "Note Off Rx:"),
    Check("MidiMix", System, 24, 0, "F041v058120300000Fd000F7", "Midi Mix", "Midi Mix:"),
    Check("MidiOut", System, 25, 1, "F041v0581203000010d000F7", "Midi Out", "Midi Out:"),
    Combo("InterfaceMode", System, 26, InterfaceModes, 0, 0, dm1Byte, "F041v0581203000011d000F7",
          "Interface Mode", "Interface Mode:"),
    Check("RxVolume", System, 27, 0, "F041v0581203000012d000F7", "Volume Change Recieve",
          "Volume Rx:"),
    Check("RxPanorama", System, 28, 0, "F041v0581203000013d000F7", "Panorama Recieve",
          "Panorama Rx:"),
    Check("RxHold", System, 29, 0, "F041v0581203000014d000F7", "Hold Recieve", "Hold Rx:"),
    Check("LocalCtrl", System, 30, 1, "F041v0581203000015d000F7", "Local Control",
          "Local Control:"),
    Check("Aftertouch", System, 31, 1, "F041v0581203000016d000F7", "Aftertouch", "Aftertouch:"),
};

// The rows as the public type: a Row adds builders only, no data.
constexpr auto kTable = [] {
    std::array<TParameter, std::size(kRows)> out{};
    for (std::size_t k = 0; k < out.size(); ++k) out[k] = kRows[k];
    return out;
}();

std::vector<std::string> OffThenNumbers(int count) {
    std::vector<std::string> items{"Off"};
    for (int k = 1; k < count; ++k) items.push_back(std::to_string(k));
    return items;
}

std::vector<std::string> BuildItems(ItemList list) {
    std::vector<std::string> items;
    char number[16];
    switch (list) {
        case ItemList::SeqPatterns:
            return OffThenNumbers(kSeqPatterns);
        case ItemList::AssignGroups:
            return OffThenNumbers(kAssignGroups);
        case ItemList::Notes:
            for (int n = 0; n < kNotesPerPatch; ++n) items.push_back(NoteLabel(n));
            return items;
        case ItemList::Sounds:
            for (int i = 0; i < kInstrumentCount; ++i) {
                std::snprintf(number, sizeof number, "%03d", i + 1);
                items.emplace_back(number);
            }
            return items;
        case ItemList::Waveforms:
            for (int i = 0; i < static_cast<int>(kWaveforms.size()); ++i) {
                std::snprintf(number, sizeof number, "%03d ", i);
                items.push_back(number + std::string(kWaveforms[i]));
            }
            return items;
        default: {
            const std::span<const SV> names = FixedNames(list);
            return std::vector<std::string>(names.begin(), names.end());
        }
    }
}

}  // namespace

std::span<const TParameter> Parameters() {
    return kTable;
}

const TParameter* FindParameter(std::string_view name) {
    for (const TParameter& parameter : kTable)
        if (parameter.Name == name) return &parameter;
    return nullptr;
}

const TParameter& ParameterRow(std::string_view name) {
    const TParameter* row = FindParameter(name);
    if (row == nullptr) throw std::logic_error("No parameter " + std::string(name));
    return *row;
}

WindowId WindowOf(PanelId panel) {
    return WindowFor(panel);
}

Block BlockOf(PanelId panel) {
    return BlockFor(panel);
}

namespace {

// Each panel's component name and its title, in the order of PanelId.
struct PanelWords {
    std::string_view Name;
    std::string_view Title;
};
constexpr std::array<PanelWords, 8> kPanelWords = {{
    {"gbPatchCommon", "Patch Common"},
    {"gbEffect1", "Effect 1"},
    {"gbEffect2", "Effect 2"},
    {"gbHihatPedal", "Hihat Pedal"},
    {"gbTrigger", "Trigger"},
    {"gbNotemap", "Notemap"},
    {"gbInst", "Instrument"},
    {"gbSystem", "System"},
}};
static_assert(kPanelWords.size() == static_cast<std::size_t>(PanelId::System) + 1);

}  // namespace

std::string_view PanelName(PanelId panel) {
    return kPanelWords[static_cast<std::size_t>(panel)].Name;
}

std::string_view PanelTitle(PanelId panel) {
    return kPanelWords[static_cast<std::size_t>(panel)].Title;
}

const std::vector<std::string>& Items(ItemList list) {
    static const auto all = [] {
        std::vector<std::vector<std::string>> lists;
        for (int k = 0; k <= static_cast<int>(ItemList::InterfaceModes); ++k)
            lists.push_back(BuildItems(static_cast<ItemList>(k)));
        return lists;
    }();
    return all[static_cast<std::size_t>(list)];
}

int ItemCount(ItemList list) {
    return CountOf(list);
}

std::string ValueText(ValueTextRule rule, int v) {
    char text[32];
    switch (rule) {
        case ValueTextRule::Plain:
            break;
        case ValueTextRule::GateTime:
            // The C library's decimal separator follows the user's locale in the program.
            std::snprintf(text, sizeof text, "%.1fs", v * 0.1);
            return text;
        case ValueTextRule::MinVelo:
            if (v >= 0 && v < static_cast<int>(kMinVelocities.size()))
                return std::string(kMinVelocities[v]);
            break;
        case ValueTextRule::MaskTime:
            return std::to_string(v * 4) + "ms";
        case ValueTextRule::SoundPitch:
            return std::to_string(v * 100);
        case ValueTextRule::InstrumentPitch:
            return std::to_string(v * 10);
        case ValueTextRule::Pan:
            if (v == 8) return "Random";
            break;
        case ValueTextRule::PrfChan:
            if (v == 17) return "Off";
            break;
        case ValueTextRule::PitchBend:
            if (v == 0) return "Off";
            break;
    }
    return std::to_string(v);
}

void ConfigureArithmetic(midilink::TValueMidiCom& com, const TParameter& parameter) {
    com.SetDumpIndex(parameter.DumpIndex);
    com.SetOffset(parameter.Offset);
    com.SetNegatives(parameter.Negatives);
    com.SetDataWidth(parameter.DataWidth);
    com.SetDumpMode(parameter.DumpMode);
}

void ConfigureBinding(midilink::TValueMidiCom& com, const TParameter& parameter,
                      TTd7Collections& collections, midilink::TMidiLink* link) {
    ConfigureArithmetic(com, parameter);
    com.SetChecksumType(midilink::ctRoland);
    com.SetMidiCommand(std::string(parameter.MidiCommand));
    com.SetDefault(parameter.Default);
    com.SetMidiLink(link);
    com.SetMidiDump(&collections.Of(parameter.Collection));
}

}  // namespace td7
