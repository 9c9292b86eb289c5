#include "td7/files/DumpFiles.h"

#include <sstream>

#include "td7/map/PresentFlags.h"
#include "td7/map/RecordRun.h"
#include "td7/map/Td7Collections.h"

namespace td7 {

namespace {

std::vector<std::uint8_t> Image(TTd7Collections& dumps, std::span<const TRecordRun> runs) {
    std::ostringstream out(std::ios::binary);
    WriteRuns(out, dumps, runs);
    const std::string text = std::move(out).str();
    return {text.begin(), text.end()};
}

int Save(const std::filesystem::path& path, TTd7Collections& dumps,
         std::span<const TRecordRun> runs, const SinkFactory& openSink) {
    ReplaceFile(path, Image(dumps, runs), openSink);
    return DamagedIn(dumps, runs);
}

// The whole file, refused unless it holds exactly the runs' bytes.
std::vector<std::uint8_t> ReadChecked(const std::filesystem::path& path,
                                      std::span<const TRecordRun> runs, const char* sizeError) {
    const std::size_t expected = static_cast<std::size_t>(RunBytes(runs));
    auto bytes = ReadFileUpTo(path, expected);
    if (!bytes || bytes->size() != expected) throw FileError(sizeError);
    return std::move(*bytes);
}

// The size is checked before any record is read, so a refused file changes nothing.
void Load(const std::filesystem::path& path, TTd7Collections& dumps,
          std::span<const TRecordRun> runs, const char* sizeError) {
    const std::vector<std::uint8_t> bytes = ReadChecked(path, runs, sizeError);
    std::istringstream in(std::string(bytes.begin(), bytes.end()), std::ios::binary);
    ReadRuns(in, dumps, runs);
}

}  // namespace

bool HasDumpExtension(const std::filesystem::path& path) {
    return HasExtension(path, ".syx");
}

std::vector<std::uint8_t> PatchFileImage(TTd7Collections& dumps, int p) {
    return Image(dumps, PatchRuns(p));
}

std::vector<std::uint8_t> InstrumentFileImage(TTd7Collections& dumps) {
    const TRecordRun run = InstrumentRun();
    return Image(dumps, {&run, 1});
}

std::vector<std::uint8_t> SystemFileImage(TTd7Collections& dumps) {
    const TRecordRun run = SystemRun();
    return Image(dumps, {&run, 1});
}

int SavePatchFile(const std::filesystem::path& path, TTd7Collections& dumps, int p,
                  const SinkFactory& openSink) {
    return Save(path, dumps, PatchRuns(p), openSink);
}

int SaveInstrumentFile(const std::filesystem::path& path, TTd7Collections& dumps,
                       const SinkFactory& openSink) {
    const TRecordRun run = InstrumentRun();
    return Save(path, dumps, {&run, 1}, openSink);
}

int SaveSystemFile(const std::filesystem::path& path, TTd7Collections& dumps,
                   const SinkFactory& openSink) {
    const TRecordRun run = SystemRun();
    return Save(path, dumps, {&run, 1}, openSink);
}

void LoadPatchFile(const std::filesystem::path& path, TTd7Collections& dumps,
                   TPresentFlags& present, int p) {
    Load(path, dumps, PatchRuns(p), kPatchFileSizeError);
    present.SetPatchPresent(p, true);
}

std::vector<std::uint8_t> ReadPatchFile(const std::filesystem::path& path) {
    return ReadChecked(path, PatchRuns(0), kPatchFileSizeError);
}

void LoadInstrumentFile(const std::filesystem::path& path, TTd7Collections& dumps,
                        TPresentFlags& present) {
    const TRecordRun run = InstrumentRun();
    Load(path, dumps, {&run, 1}, kInstrumentFileSizeError);
    present.SetInstrumentsPresent(true);
}

void LoadSystemFile(const std::filesystem::path& path, TTd7Collections& dumps,
                    TPresentFlags& present) {
    const TRecordRun run = SystemRun();
    Load(path, dumps, {&run, 1}, kSystemFileSizeError);
    present.SetSystemPresent(true);
}

}  // namespace td7
