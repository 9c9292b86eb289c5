#include "cli/FileCommands.h"

#include <filesystem>
#include <ostream>

#include "td7/transfers/DamagedRecords.h"
#include "td7/files/DumpFiles.h"
#include "td7/files/FileIo.h"
#include "td7/map/PresentFlags.h"
#include "td7/files/SetupFile.h"
#include "td7/map/Td7Collections.h"

namespace cli {

namespace {

// The size errors do not say which file; with several files to read, that matters.
template <class Load>
void Naming(const std::string& file, Load load) {
    try {
        load();
    } catch (const td7::FileError& error) {
        const std::string text = error.what();
        if (text.find(file) != std::string::npos) throw;
        throw td7::FileError(file + ": " + text);
    }
}

std::vector<td7::TRecordRef> PatchPart(int slot) {
    return td7::PatchRecords(slot - 1);
}

}  // namespace

void LoadSetup(const std::string& path, td7::TTd7Collections& dumps, td7::TPresentFlags& present) {
    td7::TSetupFile setup(dumps, present);
    setup.Load(path);
}

void RefuseOverwritingInput(const std::string& output, const std::vector<std::string>& inputs) {
    // By identity, not by name: "./a.td7", a link to it and a second hard link are all it.
    for (const std::string& input : inputs) {
        std::error_code error;
        if (std::filesystem::equivalent(output, input, error))
            throw td7::FileError("\"" + output + "\" is the file being read (" + input +
                                 "); nothing was written");
    }
}

void RefuseDamaged(const std::string& file, td7::TTd7Collections& dumps,
                   const std::vector<td7::TRecordRef>& records, bool force, bool sending,
                   std::ostream& err) {
    const auto damaged = td7::DamagedAmong(dumps, records);
    if (damaged.empty()) return;
    const std::string text = file + ": " + td7::DamagedRecordsText(damaged);
    if (force) {
        err << text
            << (sending ? "; sent as --force asks\n"
                        : "; written as read, damage and all, as --force asks\n");
        return;
    }
    throw td7::FileError(text + (sending ? ". Nothing was sent; --force sends "
                                         : ". Nothing was written; --force writes ") +
                         (damaged.size() == 1 ? "it anyway" : "them anyway"));
}

void ExtractPart(const TArguments& args, std::ostream& err) {
    // Checked before the setup file is read, as "Save Setup..." checks its extension.
    if (!td7::HasDumpExtension(args.Output)) throw td7::FileError(td7::kDumpExtensionError);
    RefuseOverwritingInput(args.Output, {args.File});
    td7::TTd7Collections dumps(nullptr, nullptr, nullptr);
    td7::TPresentFlags present;
    LoadSetup(args.File, dumps, present);
    if (args.Instruments) {
        if (!present.InstrumentsPresent())
            throw td7::FileError(args.File + " holds no instruments");
        RefuseDamaged(args.File, dumps, td7::InstrumentRecords(), args.Force, false, err);
        td7::SaveInstrumentFile(args.Output, dumps);
    } else if (args.System) {
        if (!present.SystemPresent()) throw td7::FileError(args.File + " holds no system block");
        RefuseDamaged(args.File, dumps, td7::SystemRecords(), args.Force, false, err);
        td7::SaveSystemFile(args.Output, dumps);
    } else {
        if (!present.PatchPresent(args.Patch - 1))
            throw td7::FileError("Patch " + std::to_string(args.Patch) + " is empty in " +
                                 args.File);
        RefuseDamaged(args.File, dumps, PatchPart(args.Patch), args.Force, false, err);
        td7::SavePatchFile(args.Output, dumps, args.Patch - 1);
    }
}

void PackSetup(const TArguments& args, std::ostream& err) {
    // Checked before any file is read, as "Save Setup..." checks it before saving.
    if (!td7::HasSetupExtension(args.Output)) throw td7::FileError(td7::kSetupExtensionError);
    std::vector<std::string> inputs;
    for (const auto& part : args.PackPatches) inputs.push_back(part.File);
    if (!args.InstrumentsFile.empty()) inputs.push_back(args.InstrumentsFile);
    if (!args.SystemFile.empty()) inputs.push_back(args.SystemFile);
    RefuseOverwritingInput(args.Output, inputs);

    td7::TTd7Collections dumps(nullptr, nullptr, nullptr);
    td7::TPresentFlags present;
    for (const auto& [slot, file] : args.PackPatches) {
        Naming(file, [&] { td7::LoadPatchFile(file, dumps, present, slot - 1); });
        RefuseDamaged(file, dumps, PatchPart(slot), args.Force, false, err);
    }
    if (!args.InstrumentsFile.empty()) {
        Naming(args.InstrumentsFile,
               [&] { td7::LoadInstrumentFile(args.InstrumentsFile, dumps, present); });
        RefuseDamaged(args.InstrumentsFile, dumps, td7::InstrumentRecords(), args.Force, false,
                      err);
    }
    if (!args.SystemFile.empty()) {
        Naming(args.SystemFile, [&] { td7::LoadSystemFile(args.SystemFile, dumps, present); });
        RefuseDamaged(args.SystemFile, dumps, td7::SystemRecords(), args.Force, false, err);
    }
    td7::TSetupFile setup(dumps, present);
    setup.SaveSetupAs(args.Output);
}

}  // namespace cli
