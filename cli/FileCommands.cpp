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
    } catch (const app::FileError& error) {
        const std::string text = error.what();
        if (text.find(file) != std::string::npos) throw;
        throw app::FileError(file + ": " + text);
    }
}

}  // namespace

void LoadSetup(const std::string& path, app::TTd7Collections& dumps, app::TPresentFlags& present) {
    app::TSetupFile setup(dumps, present);
    setup.Load(path);
}

void ExtractPart(const TArguments& args) {
    app::TTd7Collections dumps(nullptr, nullptr, nullptr);
    app::TPresentFlags present;
    LoadSetup(args.File, dumps, present);
    if (args.Instruments) {
        if (!present.InstrumentsPresent())
            throw app::FileError(args.File + " holds no instruments");
        app::SaveInstrumentFile(args.Output, dumps);
    } else if (args.System) {
        if (!present.SystemPresent()) throw app::FileError(args.File + " holds no system block");
        app::SaveSystemFile(args.Output, dumps);
    } else {
        if (!present.PatchPresent(args.Patch - 1))
            throw app::FileError("Patch " + std::to_string(args.Patch) + " is empty in " +
                                 args.File);
        app::SavePatchFile(args.Output, dumps, args.Patch - 1);
    }
}

void PackSetup(const TArguments& args) {
    // Checked before any file is read, as "Save Setup..." checks it before saving.
    if (!app::HasSetupExtension(args.Output)) throw app::FileError(app::kSetupExtensionError);
    app::TTd7Collections dumps(nullptr, nullptr, nullptr);
    app::TPresentFlags present;
    for (const auto& [slot, file] : args.PackPatches)
        Naming(file, [&] { app::LoadPatchFile(file, dumps, present, slot - 1); });
    if (!args.InstrumentsFile.empty())
        Naming(args.InstrumentsFile,
               [&] { app::LoadInstrumentFile(args.InstrumentsFile, dumps, present); });
    if (!args.SystemFile.empty())
        Naming(args.SystemFile, [&] { app::LoadSystemFile(args.SystemFile, dumps, present); });
    app::TSetupFile setup(dumps, present);
    setup.SaveSetupAs(args.Output);
}

}  // namespace cli
