// Writes the seed corpora of the fuzz targets from the project's own code: setup and dump
// files as saving writes them, the templates of every bound parameter and request, the
// records the module sends, byte streams as a MIDI cable carries them, and runs of choices
// for the history's harness, the built-in grooves and MIDI files.
//
//   fuzz_seeds <corpus folder>      (writes <folder>/<target>/<name>)

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "midilink/DeviceIds.h"
#include "td7/map/DefaultPatch.h"
#include "td7/files/DumpFiles.h"
#include "td7/map/ParameterTable.h"
#include "td7/map/PresentFlags.h"
#include "td7/map/RecordRun.h"
#include "td7/files/SetupFile.h"
#include "td7/map/Td7Collections.h"

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

fs::path g_root;

void Write(const std::string& target, const std::string& name, const Bytes& bytes) {
    const fs::path dir = g_root / target;
    fs::create_directories(dir);
    std::ofstream out(dir / name, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::runtime_error("cannot write " + (dir / name).string());
}

Bytes Join(Bytes head, const Bytes& tail) {
    head.insert(head.end(), tail.begin(), tail.end());
    return head;
}

Bytes Text(std::string_view text) {
    return {text.begin(), text.end()};
}

// A mirror as the module would fill it: every header built from its place, the default
// patch in every slot, instruments and system block with recognisable data.
struct Mirror {
    Mirror() {
        for (td7::Block block : td7::kAllBlocks) {
            midilink::TDumpCollection& dump = dumps.Of(block);
            for (int i = 0; i < dump.Count(); ++i) {
                midilink::TMidiDump& record = dump.Records(i);
                for (int k = td7::kHeaderSize; k < record.Size() - 2; ++k)
                    record.Data()[k] = static_cast<std::uint8_t>((i + k) & 0x7F);
                dump.PrepareRecord(i);
            }
        }
        const auto patch = td7::DefaultPatchBytes();
        for (int p = 0; p < td7::kPatchCount; ++p) {
            std::istringstream in(std::string(patch.begin(), patch.end()), std::ios::binary);
            td7::ReadRuns(in, dumps, td7::PatchRuns(p));
            for (const td7::TRecordRun& run : td7::PatchRuns(p))
                for (int i = 0; i < run.Count; ++i) dumps.Of(run.Kind).PrepareRecord(run.First + i);
        }
    }
    Bytes Record(td7::Block block, int i) {
        midilink::TMidiDump& record = dumps.Of(block).Records(i);
        return {record.Data(), record.Data() + record.Size()};
    }
    td7::TTd7Collections dumps{nullptr, nullptr, nullptr};
};

void SetupSeeds(Mirror& mirror) {
    td7::TPresentFlags present;
    Write("fuzz_setup_file", "empty", td7::BuildSetupImage(mirror.dumps, present));
    present.SetPatchPresent(2, true);
    Bytes third = td7::BuildSetupImage(mirror.dumps, present);
    Write("fuzz_setup_file", "slot3", third);
    third.pop_back();  // an earlier file: no system entry
    Write("fuzz_setup_file", "slot3-without-system", third);
    present.SetSystemPresent(true);
    Write("fuzz_setup_file", "slot3-system", td7::BuildSetupImage(mirror.dumps, present));
    for (int p = 0; p < td7::kPatchCount; ++p) present.SetPatchPresent(p, true);
    present.SetInstrumentsPresent(true);
    Write("fuzz_setup_file", "everything", td7::BuildSetupImage(mirror.dumps, present));
}

void DumpFileSeeds(Mirror& mirror) {
    // Selector: kind = byte % 3 (patch, instruments, system), slot = byte / 3 % 32.
    Write("fuzz_dump_files", "patch-slot1", Join({0}, td7::PatchFileImage(mirror.dumps, 0)));
    Write("fuzz_dump_files", "patch-slot7", Join({18}, td7::PatchFileImage(mirror.dumps, 6)));
    Write("fuzz_dump_files", "instruments", Join({1}, td7::InstrumentFileImage(mirror.dumps)));
    Write("fuzz_dump_files", "system", Join({2}, td7::SystemFileImage(mirror.dumps)));
    const auto patch = td7::DefaultPatchBytes();
    Write("fuzz_dump_files", "default-patch", Join({3}, Bytes(patch.begin(), patch.end())));
}

// Value (4 bytes, low first), checksum type, device-ID count and entries, mode, template.
Bytes CommandSeed(std::int32_t value, int checksum, std::string_view command, int mode = 0) {
    Bytes seed;
    for (int k = 0; k < 4; ++k) seed.push_back(static_cast<std::uint8_t>(value >> (8 * k)));
    seed.push_back(static_cast<std::uint8_t>(checksum));
    seed.push_back(1);
    seed.push_back(0x10);
    seed.push_back(static_cast<std::uint8_t>(mode));
    return Join(seed, Text(command));
}

void CommandSeeds() {
    int n = 0;
    for (const td7::TParameter& p : td7::Parameters())
        Write("fuzz_send_command", "parameter-" + std::string(p.Name),
              CommandSeed(p.Default + p.Offset, 1, p.MidiCommand));
    for (td7::Block block : td7::kAllBlocks)
        Write("fuzz_send_command", "request-" + std::to_string(n++),
              CommandSeed(0, 1, td7::RequestCommand(block, 0)));
    Write("fuzz_send_command", "request-template",
          CommandSeed(0, 1, "F041v0581100%0.2x00000000002F00F7", 10));
    Write("fuzz_send_command", "note-on", CommandSeed(38, 0, "99d040"));
    Write("fuzz_send_command", "program-change", CommandSeed(4, 0, "C9d0"));
    Write("fuzz_send_command", "two-short", CommandSeed(0, 0, "903C40803C00"));
    Write("fuzz_send_command", "nibbles", CommandSeed(167, 1, "F041v0581200000019n1n000F7"));
    Write("fuzz_send_command", "negative", CommandSeed(-5, 1, "F041v058120100000Ad1d000F7"));
    Write("fuzz_send_command", "sysex-then-short",
          CommandSeed(10, 1, "F041v0581200000028d000F7C9d0"));
}

// Device ID, current patch, trigger, note, instrument (two bytes), then the message.
Bytes Received(const Bytes& message) {
    return Join({0x10, 2, 3, 4, 0, 5}, message);
}

void CollectionSeeds(Mirror& mirror) {
    Write("fuzz_collections", "system", Received(mirror.Record(td7::Block::System, 0)));
    Write("fuzz_collections", "common-slot3", Received(mirror.Record(td7::Block::Prog, 2)));
    Write("fuzz_collections", "trigger", Received(mirror.Record(td7::Block::Trigger, 40)));
    Write("fuzz_collections", "notemap", Received(mirror.Record(td7::Block::Notemap, 120)));
    Write("fuzz_collections", "instrument", Received(mirror.Record(td7::Block::Instrument, 300)));
    // The editor's own one-parameter data set, as an echoing cable sends it back.
    Write("fuzz_collections", "one-parameter",
          Received({0xF0, 0x41, 0x10, 0x58, 0x12, 0x00, 0x00, 0x00, 0x28, 0x0A, 0x4E, 0xF7}));
    Write("fuzz_collections", "request",
          Received({0xF0, 0x41, 0x10, 0x58, 0x11, 0x03, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x17,
                    0x66, 0xF7}));
}

// Capacity, buffer count, buffer size, flags, failures, then chunks of (length, bytes).
Bytes Stream(std::initializer_list<std::uint8_t> setup, const std::vector<Bytes>& chunks,
             std::uint8_t failures = 0) {
    Bytes seed(setup);
    seed.push_back(failures);
    for (const Bytes& chunk : chunks) {
        seed.push_back(static_cast<std::uint8_t>(chunk.size()));
        seed.insert(seed.end(), chunk.begin(), chunk.end());
    }
    return seed;
}

void RingSeeds(Mirror& mirror) {
    const Bytes system = mirror.Record(td7::Block::System, 0);
    const Bytes trigger = mirror.Record(td7::Block::Trigger, 0);
    const Bytes split1(system.begin(), system.begin() + 10);
    const Bytes split2(system.begin() + 10, system.end());
    Write("fuzz_input_ring", "records", Stream({4, 4, 64, 1}, {system, trigger, system}));
    Write("fuzz_input_ring", "split-block", Stream({4, 2, 64, 1}, {split1, split2}));
    Write("fuzz_input_ring", "notes-and-clock",
          Stream({8, 2, 64, 0}, {{0x90, 0x24, 0x64}, {0xF8}, {0xFE}, {0xC9, 0x04}, {0x80, 0x24}}));
    Write("fuzz_input_ring", "realtime-inside-block",
          Stream({8, 2, 64, 0}, {{0xF0, 0x41, 0xF8, 0x10, 0x58, 0xF7}}));
    Write("fuzz_input_ring", "cut-off-block",
          Stream({8, 2, 64, 0}, {{0xF0, 0x41, 0x10, 0x90, 0x24, 0x64, 0xF7}}));
    Write("fuzz_input_ring", "too-long", Stream({8, 2, 16, 1}, {trigger, system}));
    Write("fuzz_input_ring", "flood", Stream({1, 1, 64, 3}, {system, system, system, system}));
    Write("fuzz_input_ring", "service-refuses-a-buffer",
          Stream({4, 2, 64, 1}, {system, trigger, system}, 0x21));
}

// Runs of choices for the history's harness: each byte picks an action or one of its
// details, so any bytes make a run; a few of different lengths start the fuzzer off.
void HistorySeeds() {
    std::mt19937 random(29);
    for (std::size_t length : {64, 256, 1024}) {
        Bytes choices(length);
        for (auto& b : choices) b = static_cast<std::uint8_t>(random());
        Write("fuzz_history", "run" + std::to_string(length), choices);
    }
}

// The built-in grooves as they ship, and a few faults a hand-written one may have.
void GrooveSeeds() {
    for (const auto& entry : fs::directory_iterator(TAMBORO_GROOVES_DIR)) {
        std::ifstream in(entry.path(), std::ios::binary);
        const std::string text((std::istreambuf_iterator<char>(in)),
                               std::istreambuf_iterator<char>());
        Write("fuzz_groove", entry.path().filename().string(), Bytes(text.begin(), text.end()));
    }
    const auto text = [](const std::string& t) { return Bytes(t.begin(), t.end()); };
    Write("fuzz_groove", "short-line", text("bars: 1\nbeats: 2\nkick: 1 . .\n"));
    Write("fuzz_groove", "bad-velocity", text("beats: 1\nsteps-per-beat: 2\nsnare: 200 .\n"));
    Write("fuzz_groove", "swung-pairs",
          text("name: Pairs\nbars: 2\nbeats: 1\nsteps-per-beat: 2\nride: 90 60 | 90 60\n"));
}

// MIDI files of both types: tempo changes, running status, time code, a sysex, other chunks.
Bytes Chunk(const char* tag, const Bytes& body) {
    Bytes chunk(tag, tag + 4);
    const auto n = static_cast<std::uint32_t>(body.size());
    for (int shift : {24, 16, 8, 0}) chunk.push_back(static_cast<std::uint8_t>(n >> shift));
    chunk.insert(chunk.end(), body.begin(), body.end());
    return chunk;
}

void MidiFileSeeds() {
    const Bytes end = {0x00, 0xFF, 0x2F, 0x00};
    auto file = [&](std::uint8_t type, std::uint16_t division, const std::vector<Bytes>& tracks) {
        Bytes bytes = Chunk("MThd", {0, type, 0, static_cast<std::uint8_t>(tracks.size()),
                                     static_cast<std::uint8_t>(division >> 8),
                                     static_cast<std::uint8_t>(division)});
        for (Bytes track : tracks) {
            track.insert(track.end(), end.begin(), end.end());
            const Bytes chunk = Chunk("MTrk", track);
            bytes.insert(bytes.end(), chunk.begin(), chunk.end());
        }
        return bytes;
    };
    Write("fuzz_midi_file", "type0-running-status",
          file(0, 96, {{0x00, 0x99, 36, 100, 0x30, 38, 90, 0x30, 0x89, 36, 0, 0x00, 0x99, 38, 0}}));
    Write("fuzz_midi_file", "type1-tempo-map",
          file(1, 480,
               {{0x00, 0xFF, 0x51, 0x03, 0x09, 0x27, 0xC0, 0x83, 0x60, 0xFF, 0x51, 0x03, 0x07, 0xA1,
                 0x20},
                {0x83, 0x60, 0x99, 42, 80, 0x00, 0xF0, 0x02, 0x7E, 0xF7, 0x00, 0xC9, 5, 0x83, 0x60,
                 0x99, 42, 81}}));
    Write("fuzz_midi_file", "time-code",
          file(0, 0xE728, {{0x00, 0x99, 49, 127, 0x81, 0x48, 0x89, 49, 0}}));
    Bytes alien = file(0, 96, {{0x00, 0x99, 36, 100}});
    const Bytes other = Chunk("XFIH", {1, 2, 3});
    alien.insert(alien.begin() + 14, other.begin(), other.end());
    Write("fuzz_midi_file", "other-chunk", alien);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: fuzz_seeds <corpus folder>\n";
        return 2;
    }
    g_root = argv[1];
    midilink::SetDeviceId(0, 0x10);
    Mirror mirror;
    SetupSeeds(mirror);
    DumpFileSeeds(mirror);
    CommandSeeds();
    CollectionSeeds(mirror);
    RingSeeds(mirror);
    HistorySeeds();
    GrooveSeeds();
    MidiFileSeeds();
    return 0;
}
