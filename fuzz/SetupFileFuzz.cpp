// The setup file loader over any bytes: it must accept exactly the well-formed files, read
// them so that saving again writes the same bytes (a damaged record as read), and refuse
// everything else with its one text, changing nothing.

#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

#include "fuzz/FuzzSupport.h"
#include "midilink/DeviceIds.h"
#include "td7/files/FileIo.h"
#include "td7/map/PresentFlags.h"
#include "td7/files/SetupFile.h"
#include "td7/map/Td7Collections.h"

namespace {

namespace fs = std::filesystem;

struct Mirror {
    Mirror() { midilink::SetDeviceId(0, 0x10); }
    td7::TTd7Collections dumps{nullptr, nullptr, nullptr};
    td7::TPresentFlags present;
};

// The same bytes as a file, loaded the way "Load Setup..." loads one: it must come to the
// same verdict as the image, and take the name only when it loads.
struct Document {
    Document() {
        std::error_code ec;
        const fs::path dir =
            fs::is_directory("/dev/shm", ec) ? fs::path("/dev/shm") : fs::temp_directory_path();
        file = dir / ("tamboro-fuzz-setup-" + std::to_string(::getpid()) + ".td7");
    }
    ~Document() {
        std::error_code ignored;
        fs::remove(file, ignored);
    }
    bool Load(std::span<const std::uint8_t> image) {
        {
            std::ofstream out(file, std::ios::binary | std::ios::trunc);
            out.write(reinterpret_cast<const char*>(image.data()),
                      static_cast<std::streamsize>(image.size()));
            FUZZ_CHECK(out.good());
        }
        setup.SetFileName("before.td7");
        try {
            setup.Load(file);
        } catch (const td7::FileError& e) {
            FUZZ_CHECK(std::string(e.what()) == td7::kNotSetupFileError);
            FUZZ_CHECK(setup.FileName() == "before.td7");
            return false;
        }
        FUZZ_CHECK(setup.FileName() == file.string());
        FUZZ_CHECK(!setup.Modified());
        return true;
    }
    Mirror mirror;
    td7::TSetupFile setup{mirror.dumps, mirror.present};
    fs::path file;
};

struct Expected {
    bool valid = false;
    std::vector<std::uint8_t> saved;  // the image as saving writes it again: as read
    std::array<bool, td7::kPatchCount> patches{};
    bool instruments = false;
    std::optional<bool> system;
    std::size_t systemFlagAt = 0;  // where the system entry starts, or would start
};

// The layout read without the loader: signature, 32 patch entries, the instrument entry
// and an optional system entry, each a flag 00 or 01 and, for 01, the whole block.
Expected Walk(std::span<const std::uint8_t> image) {
    Expected e;
    const std::string_view signature = td7::kSetupSignature;
    if (image.size() < signature.size() ||
        std::memcmp(image.data(), signature.data(), signature.size()) != 0)
        return e;
    e.saved.assign(image.begin(), image.end());
    std::size_t pos = signature.size();
    auto entry = [&](const std::vector<int>& sizes, bool& present) {
        if (pos >= image.size()) return false;
        const std::uint8_t flag = image[pos++];
        if (flag == 0x00) {
            present = false;
            return true;
        }
        std::size_t total = 0;
        for (int size : sizes) total += static_cast<std::size_t>(size);
        if (flag != 0x01 || image.size() - pos < total) return false;
        pos += total;
        present = true;
        return true;
    };
    for (bool& slot : e.patches)
        if (!entry(fuzz::PatchRecordSizes(), slot)) return e;
    if (!entry(fuzz::InstrumentRecordSizes(), e.instruments)) return e;
    e.systemFlagAt = pos;
    if (pos < image.size()) {
        bool system = false;
        if (!entry({fuzz::kSystemBytes}, system) || pos != image.size()) return e;
        e.system = system;
    }
    e.valid = true;
    return e;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static Mirror mirror;
    static Document document;
    td7::TTd7Collections& dumps = mirror.dumps;
    td7::TPresentFlags& present = mirror.present;

    // A state to compare with: slot 1 present, the system block present on odd sizes.
    present.Clear();
    present.SetPatchPresent(0, true);
    const bool systemBefore = size % 2 == 1;
    present.SetSystemPresent(systemBefore);
    for (td7::Block block : td7::kAllBlocks) dumps.Of(block).SetModified(false);

    const std::span<const std::uint8_t> image(data, size);
    const Expected expected = Walk(image);
    FUZZ_CHECK(document.Load(image) == expected.valid);
    try {
        td7::LoadSetupImage(image, dumps, present);
    } catch (const td7::FileError& e) {
        FUZZ_CHECK(!expected.valid);
        FUZZ_CHECK(std::string(e.what()) == td7::kNotSetupFileError);
        FUZZ_CHECK(present.PatchPresent(0));
        for (int p = 1; p < td7::kPatchCount; ++p) FUZZ_CHECK(!present.PatchPresent(p));
        FUZZ_CHECK(!present.InstrumentsPresent());
        FUZZ_CHECK(present.SystemPresent() == systemBefore);
        for (td7::Block block : td7::kAllBlocks) FUZZ_CHECK(!dumps.Of(block).Modified());
        return 0;
    }
    FUZZ_CHECK(expected.valid);
    for (int p = 0; p < td7::kPatchCount; ++p)
        FUZZ_CHECK(present.PatchPresent(p) == expected.patches[static_cast<std::size_t>(p)]);
    FUZZ_CHECK(present.InstrumentsPresent() == expected.instruments);
    // A system entry marked empty, or none at all, leaves the system block as it was.
    FUZZ_CHECK(present.SystemPresent() == (expected.system.value_or(false) || systemBefore));

    // Saving what was loaded gives the file back, as read, up to the system entry, which is
    // written from the mirror's present state.
    const std::vector<std::uint8_t> rebuilt = td7::BuildSetupImage(dumps, present);
    const std::size_t flagAt = expected.systemFlagAt;
    FUZZ_CHECK(rebuilt.size() ==
               flagAt + 1 + (present.SystemPresent() ? std::size_t{fuzz::kSystemBytes} : 0));
    FUZZ_CHECK(
        std::equal(expected.saved.begin(), expected.saved.begin() + flagAt, rebuilt.begin()));
    FUZZ_CHECK(rebuilt[flagAt] == (present.SystemPresent() ? 0x01 : 0x00));
    if (expected.system == true)
        FUZZ_CHECK(std::equal(expected.saved.begin() + flagAt, expected.saved.end(),
                              rebuilt.begin() + flagAt));
    return 0;
}
