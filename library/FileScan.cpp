#include "library/FileScan.h"

#include <algorithm>
#include <cctype>

#include "midilink/Types.h"
#include "td7/files/FileIo.h"
#include "td7/files/FileKind.h"
#include "td7/files/SetupFile.h"
#include "td7/map/Td7Map.h"

namespace library {

namespace {

constexpr const char* kNothingError = "Holds no TD-7 patch, instruments or system data";
// A dump may be a whole memory with every patch and more; anything larger is no dump.
constexpr std::size_t kMaxDumpBytes = 4 * 1024 * 1024;

std::string Lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

constexpr const char* kBrokenGroup = "records missing, cut short or out of order";

std::string PatchPart(int number) {
    return "patch " + std::to_string(number);
}

// "patch 3 damaged, skipped: record 5 (trigger R2: Snare Rim): checksum 16, should be 0E"
std::string Damage(const std::string& part, const std::string& reason) {
    return part + " damaged, skipped: " + reason;
}

void Take(TScan& scan, TKind kind, int slot, std::span<const std::uint8_t> bytes,
          const std::string& part) {
    const std::string fault = RecordFault(kind, bytes);
    if (fault.empty())
        scan.Items.push_back({kind, slot, Normalise(kind, bytes)});
    else
        scan.Damage.push_back(Damage(part, fault));
}

// A patch file keeps the slot it was saved from in its first record's address; that is
// the number the user knows it by.
std::string PatchFilePart(std::span<const std::uint8_t> image) {
    const bool addressed = image[0] == midilink::kSysexStart && image[3] == td7::kTd7ModelId &&
                           image[5] == 0x00 && image[6] < td7::kPatchCount && image[7] == 0x00;
    return addressed ? "patch (saved from slot " + std::to_string(image[6] + 1) + ")" : "patch";
}

bool HasSignature(std::span<const std::uint8_t> image) {
    return image.size() >= td7::kSetupSignature.size() &&
           std::equal(td7::kSetupSignature.begin(), td7::kSetupSignature.end(), image.begin(),
                      [](char c, std::uint8_t b) { return static_cast<std::uint8_t>(c) == b; });
}

// A setup whose structure breaks (cut short, or a flag that is neither present nor empty):
// the whole patches before the break still come in.
TScan RescueSetup(const std::filesystem::path& path, std::span<const std::uint8_t> image) {
    TScan scan;
    std::size_t at = td7::kSetupSignature.size();
    bool cut = false;
    for (int p = 0; p < td7::kPatchCount; ++p) {
        if (at >= image.size()) {
            cut = true;
            break;
        }
        const std::uint8_t flag = image[at++];
        if (flag == td7::kEntryEmpty) continue;
        if (flag != td7::kEntryPresent) break;
        const td7::TSetupEntry entry{td7::TSetupPart::Patch, p, at};
        if (image.size() - at < entry.Bytes()) {
            cut = true;
            break;
        }
        Take(scan, TKind::Kit, p + 1, image.subspan(at, entry.Bytes()), PatchPart(p + 1));
        at += entry.Bytes();
    }
    scan.Rescued = std::to_string(scan.Items.size()) + " of " +
                   std::to_string(td7::kPatchCount) + " kits rescued from " +
                   path.filename().string() + (cut ? " (cut short)" : " (damaged)");
    return scan;
}

TScan ScanSetup(const std::filesystem::path& path, std::span<const std::uint8_t> image) {
    // The structure is checked whole before anything is taken, as the editor's loader does;
    // a broken one gives up what it holds whole.
    TScan scan;
    std::vector<td7::TSetupEntry> entries;
    try {
        entries = td7::SetupEntries(image);
    } catch (const td7::FileError&) {
        if (!HasSignature(image)) throw;
        return RescueSetup(path, image);
    }
    for (const auto& entry : entries) {
        const auto bytes = image.subspan(entry.At, entry.Bytes());
        switch (entry.Part) {
            case td7::TSetupPart::Patch:
                Take(scan, TKind::Kit, entry.Slot + 1, bytes, PatchPart(entry.Slot + 1));
                break;
            case td7::TSetupPart::Instruments:
                Take(scan, TKind::Instruments, 0, bytes, std::string(KindName(TKind::Instruments)));
                break;
            case td7::TSetupPart::System:
                Take(scan, TKind::System, 0, bytes, std::string(KindName(TKind::System)));
                break;
        }
    }
    return scan;
}

// A message as found in a dump: from F0 to F7, or cut short where the next F0 begins.
struct TMessage {
    std::span<const std::uint8_t> Bytes;
    bool Td7() const {
        return Bytes.size() >= static_cast<std::size_t>(td7::kFrameBytes) &&
               Bytes[1] == midilink::kRolandId && Bytes[3] == td7::kTd7ModelId &&
               Bytes[4] == midilink::kDataSet;
    }
    std::uint8_t At(std::size_t k) const { return Bytes[k]; }
};

std::vector<TMessage> SplitMessages(std::span<const std::uint8_t> image) {
    std::vector<TMessage> messages;
    std::size_t k = 0;
    while (k < image.size()) {
        if (image[k] != midilink::kSysexStart) {
            ++k;
            continue;
        }
        std::size_t end = k + 1;
        while (end < image.size() && image[end] != midilink::kSysexEnd &&
               image[end] != midilink::kSysexStart)
            ++end;
        if (end < image.size() && image[end] == midilink::kSysexEnd) ++end;
        messages.push_back({image.subspan(k, end - k)});
        k = end;
    }
    return messages;
}

// Consecutive messages of one group joined; the group is sound only when it has exactly the
// records of its kind, each of its record's size, in order.
bool JoinGroup(std::span<const TMessage> group, TKind kind, Bytes& joined) {
    joined.clear();
    for (const auto& message : group)
        joined.insert(joined.end(), message.Bytes.begin(), message.Bytes.end());
    if (joined.size() != KindBytes(kind)) return false;
    // Sizes add up; each record must also sit where its kind's layout puts it.
    std::size_t at = 0;
    for (std::size_t m = 0; m < group.size(); ++m) {
        td7::Block block = td7::Block::Instrument;
        if (kind == TKind::System) block = td7::Block::System;
        if (kind == TKind::Kit)
            block = m == 0 ? td7::Block::Prog
                           : (m <= static_cast<std::size_t>(td7::kTriggersPerPatch)
                                  ? td7::Block::Trigger
                                  : td7::Block::Notemap);
        if (group[m].Bytes.size() != static_cast<std::size_t>(td7::InfoOf(block).Size))
            return false;
        at += group[m].Bytes.size();
    }
    return at == joined.size();
}

TScan ScanMessages(std::span<const std::uint8_t> image) {
    const auto messages = SplitMessages(image);
    TScan scan;
    int patches = 0;
    std::size_t m = 0;
    Bytes joined;
    while (m < messages.size()) {
        const TMessage& first = messages[m];
        if (!first.Td7()) {
            scan.Damage.push_back(
                Damage("message " + std::to_string(m + 1), "not a TD-7 data-set message"));
            ++m;
            continue;
        }
        const std::uint8_t area = first.At(5);
        std::size_t end = m + 1;
        if (area == 0x00) {
            // A patch: its common record, then its triggers and note-map entries (same slot
            // byte, a non-zero third address byte) until the next patch begins.
            const std::uint8_t slot = first.At(6);
            while (end < messages.size() && messages[end].Td7() && messages[end].At(5) == 0x00 &&
                   messages[end].At(6) == slot && messages[end].At(7) != 0x00)
                ++end;
            ++patches;
            const bool sound = first.At(7) == 0x00 &&
                               JoinGroup({messages.data() + m, end - m}, TKind::Kit, joined);
            if (sound)
                Take(scan, TKind::Kit, patches, joined, PatchPart(patches));
            else
                scan.Damage.push_back(Damage(PatchPart(patches), kBrokenGroup));
        } else if (area == 0x01) {
            while (end < messages.size() && messages[end].Td7() && messages[end].At(5) == 0x01)
                ++end;
            if (JoinGroup({messages.data() + m, end - m}, TKind::Instruments, joined))
                Take(scan, TKind::Instruments, 0, joined, "instruments");
            else
                scan.Damage.push_back(Damage("instruments", kBrokenGroup));
        } else if (area == 0x03) {
            if (JoinGroup({messages.data() + m, 1}, TKind::System, joined))
                Take(scan, TKind::System, 0, joined, "system");
            else
                scan.Damage.push_back(Damage("system", kBrokenGroup));
        } else {
            scan.Damage.push_back(
                Damage("message " + std::to_string(m + 1), "no address of a TD-7 block"));
        }
        m = end;
    }
    return scan;
}

void Walk(const std::filesystem::path& folder, std::vector<std::filesystem::path>& files,
          std::vector<std::string>& problems) {
    std::error_code error;
    std::vector<std::filesystem::path> below;
    for (std::filesystem::directory_iterator it(folder, error), end; !error && it != end;
         it.increment(error)) {
        std::error_code ignored;
        // Linked folders are not followed, so that a link to a parent cannot loop.
        if (it->is_directory(ignored) && !it->is_symlink(ignored))
            below.push_back(it->path());
        else if (it->is_regular_file(ignored) && IsLibraryFile(it->path()))
            files.push_back(it->path());
    }
    if (error)
        problems.push_back(folder.string() + ": folder not read, skipped (" + error.message() +
                           ")");
    for (const auto& sub : below) Walk(sub, files, problems);
}

}  // namespace

std::vector<std::filesystem::path> FindLibraryFiles(const std::filesystem::path& folder,
                                                    std::vector<std::string>& problems) {
    std::vector<std::filesystem::path> files;
    Walk(folder, files, problems);
    std::sort(files.begin(), files.end());
    return files;
}

bool IsLibraryFile(const std::filesystem::path& path) {
    const std::string extension = Lower(path.extension().string());
    return extension == ".td7" || extension == ".syx";
}

TScan ScanImage(const std::filesystem::path& path, std::span<const std::uint8_t> image) {
    TScan scan;
    // Files of exactly one block's size are cut as the editor loads them, whatever their
    // headers say; anything else is read message by message.
    switch (td7::KindOfImage(path, image)) {
        case td7::TFileKind::Setup:
            return ScanSetup(path, image);
        case td7::TFileKind::Patch:
            Take(scan, TKind::Kit, 0, image, PatchFilePart(image));
            break;
        case td7::TFileKind::Instruments:
            Take(scan, TKind::Instruments, 0, image, "instruments");
            break;
        case td7::TFileKind::System:
            Take(scan, TKind::System, 0, image, "system");
            break;
        case td7::TFileKind::DataSets:
            scan = ScanMessages(image);
            break;
    }
    if (scan.Items.empty() && scan.Damage.empty() && scan.Rescued.empty()) throw td7::FileError(kNothingError);
    return scan;
}

TScan ScanFile(const std::filesystem::path& path) {
    const auto image = td7::ReadFileUpTo(path, std::max(td7::MaxSetupBytes(), kMaxDumpBytes));
    if (!image) throw td7::FileError(kNothingError);
    return ScanImage(path, *image);
}

}  // namespace library
