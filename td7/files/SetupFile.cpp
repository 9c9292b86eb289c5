#include "td7/files/SetupFile.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <sstream>
#include <system_error>

#include "td7/files/DumpFiles.h"
#include "td7/map/PresentFlags.h"
#include "td7/map/RecordRun.h"
#include "td7/map/Td7Collections.h"

namespace td7 {

namespace {

int PatchEntryBytes() {
    return RunBytes(PatchRuns(0));
}
int InstrumentEntryBytes() {
    return InstrumentRun().Bytes();
}
int SystemEntryBytes() {
    return SystemRun().Bytes();
}

[[noreturn]] void Refuse() {
    throw FileError(kNotSetupFileError);
}

void PutEntry(std::vector<std::uint8_t>& image, const std::vector<std::uint8_t>& part) {
    image.push_back(part.empty() ? kEntryEmpty : kEntryPresent);
    image.insert(image.end(), part.begin(), part.end());
}

}  // namespace

std::vector<TRecordRun> TSetupEntry::Runs() const {
    switch (Part) {
        case TSetupPart::Patch: {
            const auto runs = PatchRuns(Slot);
            return {runs.begin(), runs.end()};
        }
        case TSetupPart::Instruments:
            return {InstrumentRun()};
        case TSetupPart::System:
            return {SystemRun()};
    }
    return {};
}

std::size_t MaxSetupBytes() {
    return kSetupSignature.size() + kPatchCount * (1 + PatchEntryBytes()) +
           (1 + InstrumentEntryBytes()) + (1 + SystemEntryBytes());
}

std::vector<std::uint8_t> SetupImage(const TSetupParts& parts) {
    std::vector<std::uint8_t> image(kSetupSignature.begin(), kSetupSignature.end());
    for (const auto& patch : parts.Patches) PutEntry(image, patch);
    PutEntry(image, parts.Instruments);
    PutEntry(image, parts.System);
    return image;
}

std::vector<std::uint8_t> BuildSetupImage(TTd7Collections& dumps, const TPresentFlags& present) {
    TSetupParts parts;
    for (int p = 0; p < kPatchCount; ++p)
        if (present.PatchPresent(p))
            parts.Patches[static_cast<std::size_t>(p)] = PatchFileImage(dumps, p);
    if (present.InstrumentsPresent()) parts.Instruments = InstrumentFileImage(dumps);
    if (present.SystemPresent()) parts.System = SystemFileImage(dumps);
    return SetupImage(parts);
}

int SetupDamagedRecords(TTd7Collections& dumps, const TPresentFlags& present) {
    int damaged = 0;
    for (int p = 0; p < kPatchCount; ++p)
        if (present.PatchPresent(p)) damaged += DamagedIn(dumps, PatchRuns(p));
    const TRecordRun instruments = InstrumentRun(), system = SystemRun();
    if (present.InstrumentsPresent()) damaged += DamagedIn(dumps, {&instruments, 1});
    if (present.SystemPresent()) damaged += DamagedIn(dumps, {&system, 1});
    return damaged;
}

std::vector<TSetupEntry> SetupEntries(std::span<const std::uint8_t> image) {
    if (image.size() < kSetupSignature.size() ||
        !std::equal(kSetupSignature.begin(), kSetupSignature.end(), image.begin(),
                    [](char c, std::uint8_t b) { return static_cast<std::uint8_t>(c) == b; }))
        Refuse();
    std::vector<TSetupEntry> entries;
    std::size_t at = kSetupSignature.size();
    // One flag and, when it says present, the entry's bytes, all within the image.
    const auto entry = [&](TSetupPart part, int slot) {
        if (at == image.size()) Refuse();
        const std::uint8_t flag = image[at++];
        if (flag == kEntryEmpty) return;
        if (flag != kEntryPresent) Refuse();
        const TSetupEntry present{part, slot, at};
        if (image.size() - at < present.Bytes()) Refuse();
        at += present.Bytes();
        entries.push_back(present);
    };
    for (int p = 0; p < kPatchCount; ++p) entry(TSetupPart::Patch, p);
    entry(TSetupPart::Instruments, 0);
    if (at != image.size()) {
        entry(TSetupPart::System, 0);
        if (at != image.size()) Refuse();
    }
    return entries;
}

void LoadSetupImage(std::span<const std::uint8_t> image, TTd7Collections& dumps,
                    TPresentFlags& present) {
    const std::vector<TSetupEntry> entries = SetupEntries(image);

    // From here on every entry is known to be complete, so reading cannot stop halfway.
    const auto read = [&](TSetupPart part, int slot) {
        for (const TSetupEntry& entry : entries) {
            if (entry.Part != part || entry.Slot != slot) continue;
            const auto bytes = image.subspan(entry.At, entry.Bytes());
            std::istringstream in(std::string(bytes.begin(), bytes.end()), std::ios::binary);
            ReadRuns(in, dumps, entry.Runs());
            return true;
        }
        return false;
    };
    for (int p = 0; p < kPatchCount; ++p) present.SetPatchPresent(p, read(TSetupPart::Patch, p));
    present.SetInstrumentsPresent(read(TSetupPart::Instruments, 0));
    // An empty or missing system entry leaves the system block as it was.
    if (read(TSetupPart::System, 0)) present.SetSystemPresent(true);
}

bool HasSetupExtension(const std::filesystem::path& path) {
    return HasExtension(path, kSetupExtension);
}

TStartupSetup ChooseStartupSetup(std::span<const std::string> arguments,
                                 const std::string& lastSetup) {
    TStartupSetup choice;
    std::error_code error;
    if (!arguments.empty() && HasSetupExtension(arguments.front())) {
        if (std::filesystem::exists(arguments.front(), error)) {
            choice.FileName = arguments.front();
            return choice;
        }
        const std::string_view pattern = kFileNotFoundError;
        const std::size_t field = pattern.find("%s");
        choice.Error.append(pattern.substr(0, field))
            .append(arguments.front())
            .append(pattern.substr(field + 2));
    }
    if (!lastSetup.empty() && std::filesystem::exists(lastSetup, error)) {
        choice.FileName = lastSetup;
    }
    return choice;
}

TSetupFile::TSetupFile(TTd7Collections& dumps, TPresentFlags& present, SinkFactory openSink)
    : m_dumps(dumps), m_present(present), m_openSink(std::move(openSink)) {}

void TSetupFile::SetFileName(const std::string& name) {
    m_fileName = name;
    if (OnFileNameChange) OnFileNameChange(this);
}

std::string TSetupFile::CaptionName() const {
    if (m_fileName.empty()) return kUntitledSetupName;
    return std::filesystem::path(m_fileName).filename().string();
}

bool TSetupFile::Modified() const {
    for (Block block : kAllBlocks)
        if (m_dumps.Of(block).Modified()) return true;
    return false;
}

void TSetupFile::SetModified(bool value) {
    for (Block block : kAllBlocks) m_dumps.Of(block).SetModified(value);
}

int TSetupFile::SaveTo(const std::filesystem::path& path) {
    ReplaceFile(path, BuildSetupImage(m_dumps, m_present), m_openSink);
    SetFileName(path.string());
    return SetupDamagedRecords(m_dumps, m_present);
}

int TSetupFile::SaveSetupAs(const std::filesystem::path& path) {
    if (!HasSetupExtension(path)) throw FileError(kSetupExtensionError);
    const int damaged = SaveTo(path);
    SetModified(false);
    return damaged;
}

void TSetupFile::Load(const std::filesystem::path& path) {
    const auto image = ReadFileUpTo(path, MaxSetupBytes());
    if (!image) throw FileError(kNotSetupFileError);
    LoadSetupImage(*image, m_dumps, m_present);
    SetModified(false);
    SetFileName(path.string());
}

}  // namespace td7
