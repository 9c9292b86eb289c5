#include "cli/LibraryCommands.h"

#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <ostream>

#include "cli/Arguments.h"
#include "library/Library.h"
#include "library/LibraryPath.h"
#include "td7/DumpFiles.h"
#include "td7/FileIo.h"
#include "td7/SettingsPath.h"
#include "td7/SetupFile.h"

namespace cli {

namespace fs = std::filesystem;

std::string EditorSettingsFile() {
    std::error_code error;
    const fs::path program = fs::read_symlink("/proc/self/exe", error);
    return td7::SettingsFilePath(error ? fs::current_path() : program.parent_path()).string();
}

namespace {

constexpr std::string_view kListPrefix = "list:";

// The library the editor uses: the one tamboro.ini names, else the one beside it.
fs::path DefaultLibraryFile() {
    return library::LibraryFilePath(EditorSettingsFile());
}

std::string Printable(std::string text) {
    for (char& c : text)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = '?';
    return text;
}

void Import(library::TLibrary& lib, const TLibraryArguments& args, std::ostream& err) {
    const std::vector<fs::path> paths(args.Paths.begin(), args.Paths.end());
    const auto report = lib.Import(paths);
    for (const auto& problem : report.Problems) err << problem << '\n';
    err << "Imported " << report.Files << (report.Files == 1 ? " file: " : " files: ")
        << report.Added << " new, " << report.Known << " already in the library\n";
    if (!report.Problems.empty())
        throw library::LibraryError(std::to_string(report.Problems.size()) +
                                    (report.Problems.size() == 1 ? " problem" : " problems") +
                                    " while importing");
}

void List(library::TLibrary& lib, const TLibraryArguments& args, std::ostream& out) {
    library::TFilter filter;
    filter.Search = args.Search;
    filter.FavouritesOnly = args.Favourites;
    if (!args.Kind.empty()) filter.Kind = library::KindFromName(args.Kind);
    for (const auto& item : lib.Find(filter))
        out << item.Id << '\t' << library::KindName(item.Kind) << '\t' << Printable(item.Name)
            << '\n';
}

void Export(library::TLibrary& lib, const TLibraryArguments& args, std::ostream& err) {
    if (args.Item.starts_with(kListPrefix)) {
        const std::string name = args.Item.substr(kListPrefix.size());
        const auto list = lib.FindList(name);
        if (!list) throw library::LibraryError("No list \"" + name + "\" in the library");
        if (!td7::HasSetupExtension(args.Output)) throw td7::FileError(td7::kSetupExtensionError);
        td7::ReplaceFile(args.Output, lib.ListSetupImage(list->Id));
        err << "Wrote " << args.Output << ": " << list->Kits
            << (list->Kits == 1 ? " patch\n" : " patches\n");
        return;
    }
    const library::ItemId id = std::stoll(args.Item);
    const auto item = lib.Item(id);
    if (!item) throw library::LibraryError("No item " + args.Item + " in the library");
    if (!td7::HasDumpExtension(args.Output)) throw td7::FileError(td7::kDumpExtensionError);
    td7::ReplaceFile(args.Output, lib.ItemBytes(id));
    err << "Wrote " << args.Output << ": " << library::KindName(item->Kind) << " "
        << Printable(item->Name) << '\n';
}

void Info(library::TLibrary& lib, std::ostream& out) {
    const auto info = lib.Info();
    out << "File: " << info.File.string() << '\n'
        << "Size: " << info.Bytes << " bytes\n"
        << "Kits: " << info.Kits << '\n'
        << "Instrument sets: " << info.Instruments << '\n'
        << "System blocks: " << info.Systems << '\n'
        << "Lists: " << info.Lists << '\n';
}

bool IsNumber(const std::string& text) {
    return !text.empty() && text.size() <= 18 &&
           std::all_of(text.begin(), text.end(), [](unsigned char c) { return std::isdigit(c); });
}

}  // namespace

TLibraryArguments ParseLibraryArguments(std::span<const std::string> args) {
    TLibraryArguments result;
    bool actionGiven = false;
    std::vector<std::string> positional;
    std::vector<std::string> seen;
    for (std::size_t k = 0; k < args.size(); ++k) {
        const auto split = SplitOption(args[k]);
        const std::string& arg = split.first;
        auto value = [&](std::size_t& k, const std::string& option) {
            if (split.second) return *split.second;
            if (++k >= args.size()) throw UsageError("option " + option + " needs a value");
            return args[k];
        };
        const bool option = arg.size() > 1 && arg[0] == '-';
        if (!option) {
            if (!actionGiven) {
                if (arg == "import")
                    result.Action = TLibraryAction::Import;
                else if (arg == "list")
                    result.Action = TLibraryAction::List;
                else if (arg == "export")
                    result.Action = TLibraryAction::Export;
                else if (arg == "info")
                    result.Action = TLibraryAction::Info;
                else
                    throw UsageError("unknown library command \"" + arg + "\"");
                actionGiven = true;
            } else {
                positional.push_back(arg);
            }
            continue;
        }
        if (std::find(seen.begin(), seen.end(), arg) != seen.end())
            throw UsageError("option " + arg + " given twice");
        seen.push_back(arg);
        const auto allowed = [&](TLibraryAction action) {
            if (!actionGiven || result.Action != action)
                throw UsageError("unknown option " + arg + " for library");
        };
        if (arg == "--file") {
            result.File = value(k, arg);
        } else if (arg == "--search") {
            allowed(TLibraryAction::List);
            result.Search = value(k, arg);
        } else if (arg == "--favourites") {
            allowed(TLibraryAction::List);
            if (split.second) throw UsageError("option " + arg + " takes no value after \"=\"");
            result.Favourites = true;
        } else if (arg == "--kind") {
            allowed(TLibraryAction::List);
            result.Kind = value(k, arg);
            if (!library::KindFromName(result.Kind))
                throw UsageError("invalid kind \"" + result.Kind +
                                 "\" (kit, instruments or system)");
        } else if (arg == "-o") {
            allowed(TLibraryAction::Export);
            result.Output = value(k, arg);
        } else {
            throw UsageError("unknown option " + arg + " for library");
        }
    }
    if (!actionGiven) throw UsageError("library needs import, list, export or info");
    switch (result.Action) {
        case TLibraryAction::Import:
            if (positional.empty()) throw UsageError("library import needs a file or folder");
            result.Paths = positional;
            break;
        case TLibraryAction::Export:
            if (positional.size() != 1) throw UsageError("library export needs one item");
            result.Item = positional.front();
            if (!IsNumber(result.Item) && !result.Item.starts_with(kListPrefix))
                throw UsageError("invalid item \"" + result.Item + "\" (an ID or list:NAME)");
            if (result.Output.empty()) throw UsageError("library export needs -o");
            break;
        default:
            if (!positional.empty())
                throw UsageError("unexpected argument \"" + positional.front() + "\"");
            break;
    }
    return result;
}

void RunLibrary(const TLibraryArguments& args, std::ostream& out, std::ostream& err) {
    library::TLibrary::TOptions options;
    // Only an import makes a library: a mistyped --file must not leave an empty one behind.
    options.Create = args.Action == TLibraryAction::Import;
    library::TLibrary lib(args.File.empty() ? DefaultLibraryFile() : fs::path(args.File), options);
    switch (args.Action) {
        case TLibraryAction::Import:
            Import(lib, args, err);
            break;
        case TLibraryAction::List:
            List(lib, args, out);
            break;
        case TLibraryAction::Export:
            Export(lib, args, err);
            break;
        case TLibraryAction::Info:
            Info(lib, out);
            break;
    }
}

}  // namespace cli
