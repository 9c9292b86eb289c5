// The patch, instrument and system file loaders over any file: a file of the block's exact
// size is taken byte for byte into the right records, anything else is refused with the
// block's own text and changes nothing. The first input byte picks the loader and the slot.

#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>

#include "fuzz/FuzzSupport.h"
#include "midilink/DeviceIds.h"
#include "td7/files/DumpFiles.h"
#include "td7/files/FileIo.h"
#include "td7/map/PresentFlags.h"
#include "td7/map/RecordRun.h"
#include "td7/map/Td7Collections.h"

namespace {

namespace fs = std::filesystem;

struct Mirror {
    Mirror() {
        midilink::SetDeviceId(0, 0x10);
        // In memory where the system offers it: a file is written for every input.
        std::error_code ec;
        const fs::path dir =
            fs::is_directory("/dev/shm", ec) ? fs::path("/dev/shm") : fs::temp_directory_path();
        file = dir / ("tamboro-fuzz-dump-" + std::to_string(::getpid()) + ".syx");
    }
    ~Mirror() {
        std::error_code ignored;
        fs::remove(file, ignored);
    }
    td7::TTd7Collections dumps{nullptr, nullptr, nullptr};
    td7::TPresentFlags present;
    fs::path file;
};

bool AnyModified(td7::TTd7Collections& dumps) {
    for (td7::Block block : td7::kAllBlocks)
        if (dumps.Of(block).Modified()) return true;
    return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static Mirror mirror;
    fuzz::Input in(data, size);
    const std::uint8_t selector = in.Byte();
    const int kind = selector % 3;
    const int slot = selector / 3 % td7::kPatchCount;
    const auto contents = in.Rest();
    {
        std::ofstream out(mirror.file, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(contents.data()),
                  static_cast<std::streamsize>(contents.size()));
        FUZZ_CHECK(out.good());
    }

    td7::TTd7Collections& dumps = mirror.dumps;
    td7::TPresentFlags& present = mirror.present;
    present.Clear();
    for (td7::Block block : td7::kAllBlocks) dumps.Of(block).SetModified(false);

    std::vector<td7::TRecordRun> runs;
    std::string sizeError;
    try {
        switch (kind) {
            case 0: {
                const auto patch = td7::PatchRuns(slot);
                runs.assign(patch.begin(), patch.end());
                sizeError = td7::kPatchFileSizeError;
                td7::LoadPatchFile(mirror.file, dumps, present, slot);
                break;
            }
            case 1:
                runs = {td7::InstrumentRun()};
                sizeError = td7::kInstrumentFileSizeError;
                td7::LoadInstrumentFile(mirror.file, dumps, present);
                break;
            default:
                runs = {td7::SystemRun()};
                sizeError = td7::kSystemFileSizeError;
                td7::LoadSystemFile(mirror.file, dumps, present);
                break;
        }
    } catch (const td7::FileError& e) {
        FUZZ_CHECK(contents.size() != static_cast<std::size_t>(td7::RunBytes(runs)));
        FUZZ_CHECK(e.what() == sizeError);
        FUZZ_CHECK(!AnyModified(dumps));
        for (int p = 0; p < td7::kPatchCount; ++p) FUZZ_CHECK(!present.PatchPresent(p));
        FUZZ_CHECK(!present.InstrumentsPresent() && !present.SystemPresent());
        return 0;
    }

    // Taken: every record holds the file's bytes as they stand, in run order.
    FUZZ_CHECK(contents.size() == static_cast<std::size_t>(td7::RunBytes(runs)));
    std::size_t at = 0;
    for (const td7::TRecordRun& run : runs) {
        midilink::TDumpCollection& dump = dumps.Of(run.Kind);
        for (int i = 0; i < run.Count; ++i) {
            const midilink::TMidiDump& record = dump.Records(run.First + i);
            FUZZ_CHECK(std::equal(record.Data(), record.Data() + record.Size(),
                                  contents.begin() + static_cast<std::ptrdiff_t>(at)));
            at += static_cast<std::size_t>(record.Size());
        }
        FUZZ_CHECK(dump.Modified());
    }
    FUZZ_CHECK(kind != 0 || present.PatchPresent(slot));
    FUZZ_CHECK(kind != 1 || present.InstrumentsPresent());
    FUZZ_CHECK(kind != 2 || present.SystemPresent());

    // Saving it again writes the same bytes: a sound record sealed is as it was, and a
    // damaged one is kept as read, so that the damage stays visible.
    const std::vector<std::uint8_t> expected(contents.begin(), contents.end());
    std::vector<std::uint8_t> saved;
    switch (kind) {
        case 0:
            saved = td7::PatchFileImage(dumps, slot);
            break;
        case 1:
            saved = td7::InstrumentFileImage(dumps);
            break;
        default:
            saved = td7::SystemFileImage(dumps);
            break;
    }
    FUZZ_CHECK(saved == expected);
    return 0;
}
