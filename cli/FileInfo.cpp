#include "cli/FileInfo.h"

#include <algorithm>
#include <cstdio>
#include <ostream>
#include <sstream>
#include <vector>

#include "midilink/Templates.h"
#include "td7/files/DumpFiles.h"
#include "td7/files/FileIo.h"
#include "td7/files/FileKind.h"
#include "td7/map/PresentFlags.h"
#include "td7/map/RecordCheck.h"
#include "td7/map/RecordName.h"
#include "td7/map/RecordRun.h"
#include "td7/files/SetupFile.h"
#include "td7/map/Td7Collections.h"
#include "td7/map/Td7Decode.h"

namespace cli {

namespace {

using Bytes = std::vector<std::uint8_t>;

// Where a run of records lies in the file.
struct TPlacedRun {
    td7::TRecordRun Run;
    std::size_t Offset;
};

void AddRuns(std::vector<TPlacedRun>& placed, std::span<const td7::TRecordRun> runs,
             std::size_t& offset) {
    for (const auto& run : runs) {
        placed.push_back({run, offset});
        offset += static_cast<std::size_t>(run.Bytes());
    }
}

// The records of a checked setup image, entry by entry.
std::vector<TPlacedRun> SetupRuns(std::span<const std::uint8_t> image) {
    std::vector<TPlacedRun> placed;
    for (const auto& entry : td7::SetupEntries(image)) {
        std::size_t offset = entry.At;
        AddRuns(placed, entry.Runs(), offset);
    }
    return placed;
}

// In a patch file the slot is not the file's own: its records are named without one.
std::string Label(td7::Block block, int index, bool inPatchFile) {
    return inPatchFile ? td7::RecordNameInPatch(block, index) : td7::RecordName(block, index);
}

// Writes a line for each record that is not what the module would send, then the count.
// Returns whether the file holds records and none of them comes from a TD-7, damaged or
// not: another maker's file of a dump file's size.
bool ReportRecords(const Bytes& image, const std::vector<TPlacedRun>& placed, bool patchFile,
                  std::ostream& out) {
    int records = 0;
    int bad = 0;
    int fromTd7 = 0;
    for (const auto& [run, offset] : placed) {
        const int size = td7::InfoOf(run.Kind).Size;
        for (int k = 0; k < run.Count; ++k, ++records) {
            const std::size_t at = offset + static_cast<std::size_t>(k * size);
            const td7::TRecordCheck check = td7::CheckRecord(image.data() + at, size);
            if (check.FromTd7()) ++fromTd7;
            if (check.Fault == td7::TRecordFault::None) continue;
            ++bad;
            out << "Bad record: " << Label(run.Kind, run.First + k, patchFile) << " at byte " << at
                << ": " << check.Text << '\n';
        }
    }
    const std::string counted = std::to_string(records) + (records == 1 ? " record" : " records");
    if (bad == 0)
        out << "Checksums: all of " << counted << " match\n";
    else
        out << "Checksums: " << bad << " of " << counted << " do not match\n";
    return records > 0 && fromTd7 == 0;
}

// Names may hold any 7-bit byte; control characters would upset the terminal.
std::string Printable(std::string text) {
    for (char& c : text)
        if (c < 0x20 || c > 0x7E) c = '?';
    return text;
}

std::string SlotColumn(int number) {
    std::string text = std::to_string(number);
    return std::string(text.size() < 5 ? 5 - text.size() : 0, ' ') + text + "  ";
}

void ReadInto(const Bytes& image, td7::TTd7Collections& dumps,
              std::span<const td7::TRecordRun> runs) {
    std::istringstream in(std::string(image.begin(), image.end()), std::ios::binary);
    td7::ReadRuns(in, dumps, runs);
}

}  // namespace

void DescribeFile(const std::filesystem::path& path, std::ostream& toOut) {
    // Written out only once the file is known to hold TD-7 records.
    std::ostringstream out;
    const auto read = td7::ReadFileUpTo(path, td7::MaxSetupBytes());
    if (!read) throw td7::FileError(td7::kNoFileKindError);
    const Bytes& image = *read;
    const td7::TFileKind kind = td7::KindOfImage(path, image);
    if (kind == td7::TFileKind::DataSets) throw td7::FileError(td7::kNoFileKindError);

    td7::TTd7Collections dumps(nullptr, nullptr, nullptr);
    td7::TPresentFlags present;
    std::vector<TPlacedRun> placed;
    std::size_t offset = 0;
    const std::string head = path.string() + ": TD7 ";
    const std::string size = ", " + std::to_string(image.size()) + " bytes";
    switch (kind) {
        case td7::TFileKind::Setup: {
            td7::LoadSetupImage(image, dumps, present);
            int count = 0;
            for (int p = 0; p < td7::kPatchCount; ++p) count += present.PatchPresent(p) ? 1 : 0;
            out << head << "setup file" << size << '\n';
            out << "Patches: " << count << " of " << td7::kPatchCount << '\n';
            for (int p = 0; p < td7::kPatchCount; ++p)
                if (present.PatchPresent(p))
                    out << SlotColumn(p + 1) << Printable(td7::PatchName(dumps.ProgDump.Records(p)))
                        << '\n';
            out << "Instruments: " << (present.InstrumentsPresent() ? "present" : "absent") << '\n';
            out << "System: " << (present.SystemPresent() ? "present" : "absent") << '\n';
            placed = SetupRuns(image);
            break;
        }
        case td7::TFileKind::Patch: {
            const auto runs = td7::PatchRuns(0);
            ReadInto(image, dumps, runs);
            out << head << "patch file" << size;
            // The common record's header names the slot it was saved from.
            if (const auto slot = td7::SavedSlot(image)) out << ", saved from patch " << *slot + 1;
            out << '\n' << "Name: " << Printable(td7::PatchName(dumps.ProgDump.Records(0))) << '\n';
            AddRuns(placed, runs, offset);
            break;
        }
        case td7::TFileKind::Instruments: {
            const auto run = td7::InstrumentRun();
            ReadInto(image, dumps, {&run, 1});
            out << head << "instruments file" << size << '\n';
            for (int i = 0; i < td7::kInstrumentCount; ++i)
                out << SlotColumn(i + 1)
                    << Printable(td7::InstrumentNameText(dumps.InstrumentDump, i)) << '\n';
            AddRuns(placed, {&run, 1}, offset);
            break;
        }
        case td7::TFileKind::System: {
            const auto run = td7::SystemRun();
            out << head << "system file" << size << '\n';
            AddRuns(placed, {&run, 1}, offset);
            break;
        }
        case td7::TFileKind::DataSets:
            break;
    }
    if (ReportRecords(image, placed, kind == td7::TFileKind::Patch, out))
        throw td7::FileError(path.string() + ": not a TD-7 file: none of its records is a TD-7 "
                             "data-set message");
    toOut << out.str();
}

}  // namespace cli
