#include "td7/SetupFile.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <optional>
#include <sstream>
#include <system_error>

#include "td7/PresentFlags.h"
#include "td7/RecordRun.h"
#include "td7/Td7Collections.h"

namespace td7 {

namespace {

// What a checked image holds, entry by entry.
struct TSetupContents {
    std::array<bool, kPatchCount> Patches{};
    bool Instruments = false;
    std::optional<bool> System;  // none: the file ends after the instrument entry
};

int PatchEntryBytes() {
    return RunBytes(PatchRuns(0));
}
int InstrumentEntryBytes() {
    return InstrumentRun().Bytes();
}
int SystemEntryBytes() {
    return SystemRun().Bytes();
}

class EntryReader {
  public:
    explicit EntryReader(std::span<const std::uint8_t> image) : m_image(image) {}

    bool AtEnd() const { return m_pos == m_image.size(); }

    // One flag and, when it says present, the entry's bytes, all within the image.
    bool Entry(int entryBytes) {
        if (AtEnd()) Refuse();
        const std::uint8_t flag = m_image[m_pos++];
        if (flag == kEntryEmpty) return false;
        if (flag != kEntryPresent) Refuse();
        if (m_image.size() - m_pos < static_cast<std::size_t>(entryBytes)) Refuse();
        m_pos += static_cast<std::size_t>(entryBytes);
        return true;
    }

    void Skip(std::size_t count) { m_pos += count; }

    [[noreturn]] static void Refuse() { throw FileError(kNotSetupFileError); }

  private:
    std::span<const std::uint8_t> m_image;
    std::size_t m_pos = 0;
};

TSetupContents CheckImage(std::span<const std::uint8_t> image) {
    if (image.size() < kSetupSignature.size() ||
        !std::equal(kSetupSignature.begin(), kSetupSignature.end(), image.begin(),
                    [](char c, std::uint8_t b) { return static_cast<std::uint8_t>(c) == b; })) {
        EntryReader::Refuse();
    }
    EntryReader reader(image);
    reader.Skip(kSetupSignature.size());
    TSetupContents contents;
    for (bool& slot : contents.Patches) slot = reader.Entry(PatchEntryBytes());
    contents.Instruments = reader.Entry(InstrumentEntryBytes());
    if (!reader.AtEnd()) {
        contents.System = reader.Entry(SystemEntryBytes());
        if (!reader.AtEnd()) EntryReader::Refuse();
    }
    return contents;
}

void PutFlag(std::ostream& out, bool present) {
    out.put(static_cast<char>(present ? kEntryPresent : kEntryEmpty));
}

}  // namespace

std::size_t MaxSetupBytes() {
    return kSetupSignature.size() + kPatchCount * (1 + PatchEntryBytes()) +
           (1 + InstrumentEntryBytes()) + (1 + SystemEntryBytes());
}

std::vector<std::uint8_t> BuildSetupImage(TTd7Collections& dumps, const TPresentFlags& present) {
    std::ostringstream out(std::ios::binary);
    out.write(kSetupSignature.data(), static_cast<std::streamsize>(kSetupSignature.size()));
    for (int p = 0; p < kPatchCount; ++p) {
        PutFlag(out, present.PatchPresent(p));
        if (present.PatchPresent(p)) WriteRuns(out, dumps, PatchRuns(p));
    }
    const TRecordRun instruments = InstrumentRun();
    PutFlag(out, present.InstrumentsPresent());
    if (present.InstrumentsPresent()) WriteRuns(out, dumps, {&instruments, 1});
    const TRecordRun system = SystemRun();
    PutFlag(out, present.SystemPresent());
    if (present.SystemPresent()) WriteRuns(out, dumps, {&system, 1});
    const std::string text = std::move(out).str();
    return {text.begin(), text.end()};
}

void LoadSetupImage(std::span<const std::uint8_t> image, TTd7Collections& dumps,
                    TPresentFlags& present) {
    const TSetupContents contents = CheckImage(image);

    // From here on every entry is known to be complete, so reading cannot stop halfway.
    std::istringstream in(std::string(image.begin(), image.end()), std::ios::binary);
    in.ignore(static_cast<std::streamsize>(kSetupSignature.size()));
    for (int p = 0; p < kPatchCount; ++p) {
        in.ignore(1);
        if (contents.Patches[p]) ReadRuns(in, dumps, PatchRuns(p));
        present.SetPatchPresent(p, contents.Patches[p]);
    }
    in.ignore(1);
    if (contents.Instruments) {
        const TRecordRun run = InstrumentRun();
        ReadRuns(in, dumps, {&run, 1});
    }
    present.SetInstrumentsPresent(contents.Instruments);
    if (contents.System.value_or(false)) {
        in.ignore(1);
        const TRecordRun run = SystemRun();
        ReadRuns(in, dumps, {&run, 1});
        present.SetSystemPresent(true);
    }
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

void TSetupFile::SaveTo(const std::filesystem::path& path) {
    ReplaceFile(path, BuildSetupImage(m_dumps, m_present), m_openSink);
    SetFileName(path.string());
}

void TSetupFile::SaveSetupAs(const std::filesystem::path& path) {
    if (!HasSetupExtension(path)) throw FileError(kSetupExtensionError);
    SaveTo(path);
    SetModified(false);
}

void TSetupFile::Load(const std::filesystem::path& path) {
    const auto image = ReadFileUpTo(path, MaxSetupBytes());
    if (!image) throw FileError(kNotSetupFileError);
    LoadSetupImage(*image, m_dumps, m_present);
    SetModified(false);
    SetFileName(path.string());
}

}  // namespace td7
