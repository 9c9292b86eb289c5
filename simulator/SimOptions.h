#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "simulator/StoreTiming.h"
#include "simulator/TriggerModel.h"

namespace simulator {

// Command line of td7sim.
struct SimOptions {
    // Pad hits a second with --hits: eighth notes at 120 beats a minute.
    static constexpr int kHitsPerSecond = 4;

    enum class Content { Factory, Random };

    std::string api;  // "alsa", "jack", or empty: ALSA when it works, else JACK
    std::uint8_t deviceId = 0x10;
    Content content = Content::Factory;
    std::uint32_t seed = 1;
    bool wireTiming = false;
    int dropEvery = 0;            // ignore every Nth data set received (0: none)
    int hitsPerSecond = 0;        // --hits: pad hits of the current patch, as a drummer plays
    TriggerFaults triggerFaults;  // --doubles, --crosstalk, --hot (each plays the hits too)
    StoreTiming store;            // --store-ms, --store-ms-per-byte, --busy-*, --drop-after/-for
    int inputQueue = 0;           // --input-queue: messages that may wait (0: no limit)
    std::string memoryFile;
    std::string logNotes;  // --log-notes: one line a note received
    std::string clientName = "TD-7 Simulator";
    bool help = false;
};

// Parses the arguments after the program name; apiFromEnvironment is the value of
// TAMBORO_MIDI_API (or empty), which --api overrides. Throws std::invalid_argument with a
// text for the user.
SimOptions ParseSimOptions(std::span<const std::string_view> args,
                           std::string_view apiFromEnvironment = {});

std::string SimUsage();

}  // namespace simulator
