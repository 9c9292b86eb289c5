#pragma once

// Libraries and files for the library's benchmarks: setups made by the simulator's module
// from its random content, and a library of 100,000 distinct kits with names as drummers
// give them, made once and kept in the temporary folder for the next run.

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "library/Library.h"
#include "simulator/Td7Module.h"
#include "tests/support/SetupImage.h"

namespace benchfill {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;
using simulator::Td7Module;

inline Bytes Kit(const Td7Module& module, int p) {
    return module.PatchDataSets(p);
}

// A full setup file (32 patches, no instruments, no system block) of a random module.
inline Bytes Setup(std::uint32_t seed) {
    Td7Module module;
    module.LoadRandom(seed);
    return testsupport::SetupBytes(module, testsupport::AllSlots(), false, false);
}

// `count` distinct setup files in `folder` (made only when missing).
inline void WriteSetups(const fs::path& folder, int count) {
    fs::create_directories(folder);
    for (int k = 0; k < count; ++k) {
        const fs::path file = folder / ("setup" + std::to_string(k) + ".td7");
        if (fs::exists(file)) continue;
        const Bytes image = Setup(static_cast<std::uint32_t>(k + 1));
        std::ofstream(file, std::ios::binary)
            .write(reinterpret_cast<const char*>(image.data()),
                   static_cast<std::streamsize>(image.size()));
    }
}

// Six-character names: a word and a number, so that a fragment such as "funk" selects a
// twentieth of the kits.
inline std::string KitName(int k) {
    static const char* words[] = {"Funk", "Jazz", "Rock", "Dry",  "Room", "Brsh", "Metl",
                                  "Pop",  "Latn", "Elec", "Hall", "Tite", "Fat",  "Big",
                                  "Soft", "Live", "Gig",  "Reg",  "Dub",  "Trap"};
    std::string name = words[k % 20] + std::to_string(k / 20 % 100);
    name.resize(6, ' ');
    return name;
}

// The library at `file` with `count` distinct kits (made only when it holds fewer).
inline void FillLibrary(const fs::path& file, int count) {
    library::TLibrary lib(file);
    int have = lib.Count({});
    if (have >= count) return;
    Td7Module module;
    module.LoadFactory();
    const Bytes base = Kit(module, 0);
    constexpr int kBatch = 2000;
    while (have < count) {
        std::vector<library::TLibrary::TPiece> pieces;
        for (int k = have; k < count && k < have + kBatch; ++k) {
            Bytes kit = base;
            const std::string name = KitName(k);
            for (int c = 0; c < 6; ++c)
                kit[static_cast<std::size_t>(11 + c)] = static_cast<std::uint8_t>(name[c]);
            // A counter in a note-map entry keeps the kits apart whatever their names.
            const std::size_t entry = 58 + 18 * 22 + 19 * 10;
            kit[entry + 9] = static_cast<std::uint8_t>(k & 0x7F);
            kit[entry + 10] = static_cast<std::uint8_t>((k >> 7) & 0x7F);
            kit[entry + 11] = static_cast<std::uint8_t>((k >> 14) & 0x7F);
            pieces.push_back({library::TKind::Kit, k % 32 + 1, std::move(kit)});
        }
        lib.AddAll(pieces, "bench/gig" + std::to_string(have / kBatch) + ".td7");
        have = lib.Count({});
    }
}

}  // namespace benchfill
