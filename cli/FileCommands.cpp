#include "cli/FileCommands.h"

#include "td7/DumpFiles.h"
#include "td7/FileIo.h"
#include "td7/PresentFlags.h"
#include "td7/SetupFile.h"
#include "td7/Td7Collections.h"

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

}  // namespace

void LoadSetup(const std::string& path, td7::TTd7Collections& dumps, td7::TPresentFlags& present) {
    td7::TSetupFile setup(dumps, present);
    setup.Load(path);
}

void ExtractPart(const TArguments& args) {
    td7::TTd7Collections dumps(nullptr, nullptr, nullptr);
    td7::TPresentFlags present;
    LoadSetup(args.File, dumps, present);
    if (args.Instruments) {
        if (!present.InstrumentsPresent())
            throw td7::FileError(args.File + " holds no instruments");
        td7::SaveInstrumentFile(args.Output, dumps);
    } else if (args.System) {
        if (!present.SystemPresent()) throw td7::FileError(args.File + " holds no system block");
        td7::SaveSystemFile(args.Output, dumps);
    } else {
        if (!present.PatchPresent(args.Patch - 1))
            throw td7::FileError("Patch " + std::to_string(args.Patch) + " is empty in " +
                                 args.File);
        td7::SavePatchFile(args.Output, dumps, args.Patch - 1);
    }
}

void PackSetup(const TArguments& args) {
    // Checked before any file is read, as "Save Setup..." checks it before saving.
    if (!td7::HasSetupExtension(args.Output)) throw td7::FileError(td7::kSetupExtensionError);
    td7::TTd7Collections dumps(nullptr, nullptr, nullptr);
    td7::TPresentFlags present;
    for (const auto& [slot, file] : args.PackPatches)
        Naming(file, [&] { td7::LoadPatchFile(file, dumps, present, slot - 1); });
    if (!args.InstrumentsFile.empty())
        Naming(args.InstrumentsFile,
               [&] { td7::LoadInstrumentFile(args.InstrumentsFile, dumps, present); });
    if (!args.SystemFile.empty())
        Naming(args.SystemFile, [&] { td7::LoadSystemFile(args.SystemFile, dumps, present); });
    td7::TSetupFile setup(dumps, present);
    setup.SaveSetupAs(args.Output);
}

}  // namespace cli
