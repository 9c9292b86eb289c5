#include "td7/audition/MidiFile.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>

namespace td7 {

namespace {

constexpr std::uint32_t kDefaultTempo = 500'000;  // microseconds a quarter note: 120 BPM
constexpr std::uint8_t kDrumChannel = 9;          // channel 10 counted from 0
constexpr std::uint64_t kMaxTicks = std::uint64_t{1} << 28;

struct TTimedNote {
    std::uint64_t Tick;
    int Track;
    int Order;  // within its track, so that equal ticks keep the file's order
    TNoteEvent Event;
};

class TReader {
  public:
    TReader(std::span<const std::uint8_t> bytes, const std::string& source)
        : m_bytes(bytes), m_source(source) {}

    [[noreturn]] void Fail(const std::string& what) const {
        throw MidiFileError(m_source + ": " + what);
    }

    std::vector<TNoteEvent> Read() {
        if (m_bytes.size() < 14 || !Tag(0, "MThd")) Fail("not a Standard MIDI File");
        const std::uint32_t headerLength = Big(4, 4);
        if (headerLength < 6 || headerLength > m_bytes.size() - 8) Fail("not a Standard MIDI File");
        const std::uint32_t type = Big(8, 2);
        const std::uint32_t tracks = Big(10, 2);
        const std::uint32_t division = Big(12, 2);
        if (type == 2) Fail("type 2 MIDI files (independent patterns) are not played");
        if (type > 2) Fail("unknown MIDI file type " + std::to_string(type));
        if (type == 0 && tracks != 1) Fail("a type 0 MIDI file must have one track");
        if (tracks == 0) Fail("no tracks");
        if ((division & 0x8000) == 0 && division == 0) Fail("a division of 0 ticks a quarter note");
        std::size_t at = 8 + headerLength;
        int track = 0;
        while (track < static_cast<int>(tracks)) {
            if (at + 8 > m_bytes.size())
                Fail("cut off: " + std::to_string(tracks) + " tracks announced, " +
                     std::to_string(track) + " found");
            const std::uint32_t length = Big(at + 4, 4);
            if (length > m_bytes.size() - at - 8)
                Fail("track " + std::to_string(track + 1) + " is cut off");
            // Chunks of other kinds are skipped, as readers of the format must.
            if (Tag(at, "MTrk")) ReadTrack(at + 8, at + 8 + length, ++track);
            at += 8 + length;
        }
        if (m_notes.empty()) Fail("no notes on channel 10");
        return Timed(division);
    }

  private:
    bool Tag(std::size_t at, const char* tag) const {
        return std::equal(tag, tag + 4, m_bytes.begin() + static_cast<std::ptrdiff_t>(at));
    }
    std::uint32_t Big(std::size_t at, int count) const {
        std::uint32_t value = 0;
        for (int k = 0; k < count; ++k)
            value = value << 8 | m_bytes[at + static_cast<std::size_t>(k)];
        return value;
    }

    void ReadTrack(std::size_t at, std::size_t end, int track) {
        const std::string where = " in track " + std::to_string(track);
        auto byte = [&]() -> std::uint8_t {
            if (at >= end) Fail("cut off" + where);
            return m_bytes[at++];
        };
        auto number = [&]() -> std::uint32_t {  // variable length, at most four bytes
            std::uint32_t value = 0;
            for (int k = 0; k < 4; ++k) {
                const std::uint8_t b = byte();
                value = value << 7 | (b & 0x7F);
                if ((b & 0x80) == 0) return value;
            }
            Fail("a number longer than four bytes" + where);
        };
        std::uint64_t tick = 0;
        std::uint8_t running = 0;
        int order = 0;
        while (at < end) {
            tick += number();
            // Keeps the conversion to nanoseconds within 64 bits: 2^28 ticks are days of music.
            if (tick > kMaxTicks) Fail("a track too long to play" + where);
            std::uint8_t status = byte();
            if (status == 0xFF) {
                const std::uint8_t kind = byte();
                const std::uint32_t length = number();
                if (length > end - at) Fail("cut off" + where);
                if (kind == 0x51) {
                    if (length != 3)
                        Fail("a tempo change of " + std::to_string(length) + " bytes" + where);
                    const std::uint32_t tempo = Big(at, 3);
                    if (tempo == 0) Fail("a tempo of 0" + where);
                    m_tempos[tick] = tempo;
                }
                at += length;
                if (kind == 0x2F) return;  // end of track
                continue;
            }
            if (status == 0xF0 || status == 0xF7) {
                const std::uint32_t length = number();
                if (length > end - at) Fail("cut off" + where);
                at += length;
                running = 0;
                continue;
            }
            std::uint8_t first;
            if (status < 0x80) {
                if (running == 0) Fail("a data byte without a status" + where);
                first = status;
                status = running;
            } else {
                if (status >= 0xF0)
                    Fail("a system message " + Hex(status) + " inside a track" + where);
                running = status;
                first = byte();
            }
            const int kind = status & 0xF0;
            const bool twoBytes = kind != 0xC0 && kind != 0xD0;
            const std::uint8_t second = twoBytes ? byte() : 0;
            if (first > 0x7F || second > 0x7F) Fail("a data byte above 127" + where);
            if ((status & 0x0F) != kDrumChannel || (kind != 0x90 && kind != 0x80)) continue;
            const bool on = kind == 0x90 && second > 0;
            m_notes.push_back({tick, track, order++, {{}, first, on ? second : 0, on}});
        }
    }

    static std::string Hex(std::uint8_t value) {
        const char* digits = "0123456789ABCDEF";
        return {digits[value >> 4], digits[value & 15]};
    }

    // Ticks to time: each note's time from the tempo change before it, never by adding up
    // rounded steps.
    std::vector<TNoteEvent> Timed(std::uint32_t division) {
        std::stable_sort(m_notes.begin(), m_notes.end(),
                         [](const TTimedNote& a, const TTimedNote& b) {
                             if (a.Tick != b.Tick) return a.Tick < b.Tick;
                             if (a.Event.On != b.Event.On) return !a.Event.On;
                             return a.Track != b.Track ? a.Track < b.Track : a.Order < b.Order;
                         });
        std::vector<TNoteEvent> events;
        events.reserve(m_notes.size());
        if (division & 0x8000) {
            // Frames a second (24, 25, 29 for 29.97, 30) and ticks a frame.
            const int fps = 256 - static_cast<int>(division >> 8);
            const std::uint32_t perFrame = division & 0xFF;
            if (perFrame == 0 || (fps != 24 && fps != 25 && fps != 29 && fps != 30))
                Fail("an unknown time code division");
            // 29.97 frames a second: 30000/1001.
            const std::uint64_t numerator = fps == 29 ? 1001 : 1000;
            const std::uint64_t denominator = fps == 29 ? 30 : static_cast<std::uint64_t>(fps);
            for (TTimedNote& note : m_notes) {
                note.Event.Time =
                    Nanoseconds(note.Tick * numerator * 1'000'000 / (denominator * perFrame));
                events.push_back(note.Event);
            }
            return events;
        }
        if (m_tempos.empty() || m_tempos.begin()->first != 0) m_tempos.emplace(0, kDefaultTempo);
        std::uint64_t segmentTick = 0;
        std::uint64_t segmentStart = 0;  // nanoseconds
        std::uint32_t tempo = kDefaultTempo;
        auto next = m_tempos.begin();
        for (TTimedNote& note : m_notes) {
            while (next != m_tempos.end() && next->first <= note.Tick) {
                segmentStart += (next->first - segmentTick) * tempo * 1000 / division;
                segmentTick = next->first;
                tempo = next->second;
                ++next;
            }
            note.Event.Time =
                Nanoseconds(segmentStart + (note.Tick - segmentTick) * tempo * 1000 / division);
            events.push_back(note.Event);
        }
        return events;
    }

    std::chrono::nanoseconds Nanoseconds(std::uint64_t value) const {
        // Over a day of music is no drum track; it also keeps the sums far from overflowing.
        constexpr std::uint64_t kDay = 86'400'000'000'000;
        if (value > kDay) Fail("notes more than a day from the start");
        return std::chrono::nanoseconds(static_cast<std::int64_t>(value));
    }

    std::span<const std::uint8_t> m_bytes;
    const std::string& m_source;
    std::vector<TTimedNote> m_notes;
    std::map<std::uint64_t, std::uint32_t> m_tempos;  // tick: microseconds a quarter note
};

}  // namespace

std::vector<TNoteEvent> ReadMidiFileNotes(std::span<const std::uint8_t> bytes,
                                          const std::string& source) {
    if (bytes.size() > kMaxMidiFileSize)
        throw MidiFileError(source + ": too large for a MIDI file");
    return TReader(bytes, source).Read();
}

std::vector<TNoteEvent> LoadMidiFileNotes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw MidiFileError(path + ": cannot be read");
    in.seekg(0, std::ios::end);
    const std::streamoff size = in.tellg();
    if (size < 0) throw MidiFileError(path + ": cannot be read");
    if (static_cast<std::uint64_t>(size) > kMaxMidiFileSize)
        throw MidiFileError(path + ": too large for a MIDI file");
    in.seekg(0);
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
    in.read(reinterpret_cast<char*>(bytes.data()), size);
    if (!in) throw MidiFileError(path + ": cannot be read");
    return ReadMidiFileNotes(bytes, path);
}

}  // namespace td7
