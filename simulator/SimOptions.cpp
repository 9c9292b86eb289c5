#include "simulator/SimOptions.h"

#include <charconv>
#include <stdexcept>

namespace simulator {

namespace {

// The editor's device window shows device ID 0x00..0x1F as 1..32; the option takes the same.
constexpr int kFirstShownId = 1;
constexpr int kLastShownId = 32;

std::uint32_t Number(std::string_view option, std::string_view text) {
    std::uint32_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc{} || end != text.data() + text.size() || text.empty())
        throw std::invalid_argument(std::string(option) + ": not a number: " + std::string(text));
    return value;
}

// A count in 1..limit.
int Count(std::string_view option, std::string_view text, std::uint32_t limit = 1000000) {
    const auto n = Number(option, text);
    if (n < 1 || n > limit)
        throw std::invalid_argument(std::string(option) + ": 1.." + std::to_string(limit));
    return static_cast<int>(n);
}

// Milliseconds, fractions allowed, 0..60000.
double Milliseconds(std::string_view option, std::string_view text) {
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc{} || end != text.data() + text.size() || text.empty() ||
        !(value >= 0 && value <= 60000))
        throw std::invalid_argument(std::string(option) +
                                    ": milliseconds 0..60000: " + std::string(text));
    return value;
}

std::string Api(std::string_view text) {
    if (text.empty() || text == "alsa" || text == "jack") return std::string(text);
    throw std::invalid_argument("unknown MIDI API: " + std::string(text) + " (alsa or jack)");
}

}  // namespace

SimOptions ParseSimOptions(std::span<const std::string_view> args,
                           std::string_view apiFromEnvironment) {
    SimOptions options;
    options.api = Api(apiFromEnvironment);
    for (std::size_t k = 0; k < args.size(); ++k) {
        const std::string_view option = args[k];
        auto value = [&]() -> std::string_view {
            if (k + 1 >= args.size())
                throw std::invalid_argument(std::string(option) + " needs a value");
            return args[++k];
        };
        if (option == "--help" || option == "-h") {
            options.help = true;
        } else if (option == "--api") {
            options.api = Api(value());
        } else if (option == "--device-id") {
            const auto shown = Number(option, value());
            if (shown < kFirstShownId || shown > kLastShownId)
                throw std::invalid_argument("--device-id: 1..32 (17 is the module's 0x10)");
            options.deviceId = static_cast<std::uint8_t>(shown - kFirstShownId);
        } else if (option == "--content") {
            const auto content = value();
            if (content == "factory") {
                options.content = SimOptions::Content::Factory;
            } else if (content == "random") {
                options.content = SimOptions::Content::Random;
            } else {
                throw std::invalid_argument("--content: factory or random");
            }
        } else if (option == "--seed") {
            options.seed = Number(option, value());
        } else if (option == "--wire-timing") {
            options.wireTiming = true;
        } else if (option == "--drop-every") {
            const auto n = Number(option, value());
            if (n < 1 || n > 1000000) throw std::invalid_argument("--drop-every: 1..1000000");
            options.dropEvery = static_cast<int>(n);
        } else if (option == "--store-ms") {
            options.store.baseMs = Milliseconds(option, value());
        } else if (option == "--store-ms-per-byte") {
            options.store.msPerByte = Milliseconds(option, value());
        } else if (option == "--busy-every-ms") {
            options.store.busyEveryMs = Count(option, value(), 3600000);
        } else if (option == "--busy-ms") {
            options.store.busyMs = Count(option, value(), 60000);
        } else if (option == "--drop-after") {
            options.store.dropAfter = Count(option, value());
        } else if (option == "--drop-for") {
            options.store.dropFor = Count(option, value());
        } else if (option == "--input-queue") {
            options.inputQueue = Count(option, value(), 100000);
        } else if (option == "--hits") {
            options.hitsPerSecond = SimOptions::kHitsPerSecond;
        } else if (option == "--doubles") {
            options.triggerFaults.doubles = true;
            options.hitsPerSecond = SimOptions::kHitsPerSecond;
        } else if (option == "--crosstalk") {
            options.triggerFaults.crosstalk = true;
            options.hitsPerSecond = SimOptions::kHitsPerSecond;
        } else if (option == "--hot") {
            options.triggerFaults.hot = true;
            options.hitsPerSecond = SimOptions::kHitsPerSecond;
        } else if (option == "--memory-file") {
            options.memoryFile = value();
        } else if (option == "--log-notes") {
            options.logNotes = value();
        } else if (option == "--client-name") {
            options.clientName = value();
            if (options.clientName.empty())
                throw std::invalid_argument("--client-name: empty name");
        } else {
            throw std::invalid_argument("unknown option: " + std::string(option));
        }
    }
    const StoreTiming& store = options.store;
    if ((store.busyEveryMs > 0) != (store.busyMs > 0))
        throw std::invalid_argument("--busy-every-ms and --busy-ms go together");
    if (store.busyMs > 0 && store.busyMs >= store.busyEveryMs)
        throw std::invalid_argument("--busy-ms: less than --busy-every-ms");
    if ((store.dropAfter > 0) != (store.dropFor > 0))
        throw std::invalid_argument("--drop-after and --drop-for go together");
    return options;
}

std::string SimUsage() {
    return R"(Usage: td7sim [options]
A virtual Roland TD-7 offered as the MIDI ports "TD-7 Simulator" (one input, one output).

  --api alsa|jack        MIDI service (default: $TAMBORO_MIDI_API, else ALSA, else JACK)
  --device-id N          device ID as the editor's device window shows it, 1..32
                         (default 17, which is the module's 0x10)
  --content factory|random
                         memory content at start (default factory)
  --seed N               seed of the random content (default 1)
  --wire-timing          take as long as a 31250-baud MIDI cable (0.32 ms a byte)
  --drop-every N         ignore every Nth data-set message received, as a module
                         that loses messages would (default: none)
  --store-ms BASE        after each data set it takes, busy storing for BASE ms plus
  --store-ms-per-byte K  K ms (fractions allowed) a byte of the data-set message; a data set
                         arriving while busy is lost (default 0 and 0: never busy)
  --busy-every-ms P      busy for D ms every P ms, losing the data sets that arrive then
  --busy-ms D            (drops in bursts; default: never)
  --drop-after N         lose the M data sets that follow the Nth taken, once
  --drop-for M           (default: none)
  --input-queue N        at most N messages wait to be handled; one arriving when N wait
                         is lost (default: no limit). With --wire-timing, requests wait
                         while the answers before them cross the cable
  --hits                 play the pads of the current patch, 4 note-ons a second on the
                         trigger transmit channel with a drummer's velocities; a program
                         change 0..31 on that channel picks the patch (patch 1 at start)
  --doubles, --crosstalk, --hot
                         play --hits through the current patch's trigger settings, with
                         pads that fire twice (a softer note 5..30 ms later, fewer as
                         Mask Time rises), that fire their neighbour (1..6 ms later, fewer
                         as its Treshold rises, none in a shared Crosstalk Group), or that
                         are hot (many 127s, fewer as Maximum Dynamic Range rises); hits
                         under a trigger's Treshold send nothing. Chances follow --seed
  --memory-file PATH     write the memory there at exit and on SIGUSR1: one data-set
                         message per block (system, patches 1..32, instruments)
  --log-notes FILE       write each note received to FILE, one line a note: seconds since
                         td7sim started, channel, note, velocity (0 for a note-off)
  --client-name NAME     name of the MIDI clients (default "TD-7 Simulator"); the input
                         and output clients are "NAME In" and "NAME Out"
  --help                 this text

Prints "ready" once its ports are open, and "saved" after each write of the memory file.
SIGTERM or SIGINT end it.
)";
}

}  // namespace simulator
