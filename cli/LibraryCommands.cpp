#include "cli/LibraryCommands.h"

#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <initializer_list>
#include <iterator>
#include <memory>
#include <optional>
#include <ostream>

#include "cli/Arguments.h"
#include "library/Backup.h"
#include "library/Library.h"
#include "library/LibraryPath.h"
#include "td7/files/DumpFiles.h"
#include "td7/files/FileIo.h"
#include "td7/settings/SettingsPath.h"
#include "td7/files/SetupFile.h"

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
    err << library::ImportSummary(report) << '\n';
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
    if (!args.Folder.empty()) {
        library::TFilter filter;
        filter.Search = args.Search;
        const auto ids = lib.FindIds(filter);
        const auto report = lib.ExportItems(ids, args.Folder);
        err << "Wrote " << report.Written << (report.Written == 1 ? " file" : " files")
            << " to " << args.Folder << '\n';
        return;
    }
    // As the folder exports: never over a file that is there.
    std::error_code error;
    if (fs::exists(args.Output, error) || fs::is_symlink(args.Output, error))
        throw library::LibraryError(args.Output +
                                    " exists already; library export writes only "
                                    "a new file (name another, or remove it first)");
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

library::TItem LiveItem(library::TLibrary& lib, const std::string& text) {
    const auto item = lib.Item(std::stoll(text));
    if (!item || !item->Deleted.empty())
        throw library::LibraryError("No item " + text + " in the library");
    return *item;
}

library::TList NamedList(library::TLibrary& lib, const std::string& name) {
    const auto list = lib.FindList(name);
    if (!list) throw library::LibraryError("No list \"" + name + "\" in the library");
    return *list;
}

void Tag(library::TLibrary& lib, const TLibraryArguments& args, std::ostream& out) {
    const auto item = LiveItem(lib, args.Item);
    const std::string tags = args.Action == TLibraryAction::Tag
                                 ? library::WithTags(item.Tags, args.Tags)
                             : args.Tags.empty() ? std::string()
                                                 : library::WithoutTags(item.Tags, args.Tags);
    const library::ItemId ids[] = {item.Id};
    lib.SetTagsAndNote(ids, tags, item.Note);
    out << item.Id << '\t' << Printable(tags) << '\n';
}

void ShowList(library::TLibrary& lib, const TLibraryArguments& args, std::ostream& out) {
    const auto kits = lib.ListKits(NamedList(lib, args.List).Id);
    for (int p = 0; p < library::kMaxListKits; ++p) {
        const auto k = static_cast<std::size_t>(p);
        out << p + 1 << '\t';
        if (k < kits.size() && kits[k])
            out << kits[k]->Id << '\t' << Printable(kits[k]->Name) << '\n';
        else
            out << "-\n";
    }
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

bool ReadsOnly(TLibraryAction action) {
    switch (action) {
        case TLibraryAction::List:
        case TLibraryAction::Export:
        case TLibraryAction::Info:
        case TLibraryAction::Lists:
        case TLibraryAction::ListShow:
        case TLibraryAction::Backup:
            return true;
        default:
            return false;
    }
}

// A library whose file or folder cannot be written (SQLite writes its log beside the file).
bool Writable(const fs::path& file) {
    std::error_code error;
    if (!fs::exists(file, error)) return true;
    const fs::path folder = file.has_parent_path() ? file.parent_path() : fs::path(".");
    return ::access(file.c_str(), W_OK) == 0 && ::access(folder.c_str(), W_OK) == 0;
}

bool IsNumber(const std::string& text) {
    return !text.empty() && text.size() <= 18 &&
           std::all_of(text.begin(), text.end(), [](unsigned char c) { return std::isdigit(c); });
}

}  // namespace

namespace {

struct TActionName {
    const char* Word;
    TLibraryAction Action;
};

constexpr TActionName kActions[] = {
    {"import", TLibraryAction::Import},       {"list", TLibraryAction::List},
    {"export", TLibraryAction::Export},       {"info", TLibraryAction::Info},
    {"tag", TLibraryAction::Tag},             {"untag", TLibraryAction::Untag},
    {"fav", TLibraryAction::Fav},             {"unfav", TLibraryAction::Unfav},
    {"delete", TLibraryAction::Delete},       {"lists", TLibraryAction::Lists},
    {"list-new", TLibraryAction::ListNew},    {"list-put", TLibraryAction::ListPut},
    {"list-clear", TLibraryAction::ListClear}, {"list-show", TLibraryAction::ListShow},
    {"backup", TLibraryAction::Backup},       {"restore", TLibraryAction::Restore},
};

const char* WordOf(TLibraryAction action) {
    for (const auto& name : kActions)
        if (name.Action == action) return name.Word;
    return "";
}

std::string ItemId(const std::string& text) {
    if (!IsNumber(text)) throw UsageError("invalid item \"" + text + "\" (an ID)");
    return text;
}

int Position(const std::string& text) {
    if (!IsNumber(text) || text.size() > 2 || std::stoi(text) < 1 || std::stoi(text) > 32)
        throw UsageError("invalid position \"" + text + "\" (1 to 32)");
    return std::stoi(text) - 1;
}

// The positional arguments an action takes: exactly `count`, or at least `count` when
// `more`.
void Expect(const std::vector<std::string>& positional, TLibraryAction action, std::size_t count,
            bool more, const char* what) {
    if (positional.size() < count || (!more && positional.size() > count))
        throw UsageError(std::string("library ") + WordOf(action) + " needs " + what);
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
                const auto* found =
                    std::find_if(std::begin(kActions), std::end(kActions),
                                 [&](const TActionName& name) { return arg == name.Word; });
                if (found == std::end(kActions))
                    throw UsageError("unknown library command \"" + arg + "\"");
                result.Action = found->Action;
                actionGiven = true;
            } else {
                positional.push_back(arg);
            }
            continue;
        }
        if (std::find(seen.begin(), seen.end(), arg) != seen.end())
            throw UsageError("option " + arg + " given twice");
        seen.push_back(arg);
        const auto allowed = [&](std::initializer_list<TLibraryAction> actions) {
            if (!actionGiven || std::find(actions.begin(), actions.end(), result.Action) ==
                                    actions.end())
                throw UsageError("unknown option " + arg + " for library");
        };
        const auto noValue = [&] {
            if (split.second) throw UsageError("option " + arg + " takes no value after \"=\"");
        };
        if (arg == "--file") {
            result.File = value(k, arg);
        } else if (arg == "--search") {
            allowed({TLibraryAction::List, TLibraryAction::Export});
            result.Search = value(k, arg);
        } else if (arg == "--favourites") {
            allowed({TLibraryAction::List});
            noValue();
            result.Favourites = true;
        } else if (arg == "--all") {
            allowed({TLibraryAction::Export});
            noValue();
            result.All = true;
        } else if (arg == "--kind") {
            allowed({TLibraryAction::List});
            result.Kind = value(k, arg);
            if (!library::KindFromName(result.Kind))
                throw UsageError("invalid kind \"" + result.Kind +
                                 "\" (kit, instruments or system)");
        } else if (arg == "-o") {
            allowed({TLibraryAction::Export});
            result.Output = value(k, arg);
        } else {
            throw UsageError("unknown option " + arg + " for library");
        }
    }
    if (!actionGiven) throw UsageError("library needs a command (import, list, export, info, ...)");
    const TLibraryAction action = result.Action;
    switch (action) {
        case TLibraryAction::Import:
            if (positional.empty()) throw UsageError("library import needs a file or folder");
            result.Paths = positional;
            break;
        case TLibraryAction::Export:
            if (result.All || seen.end() != std::find(seen.begin(), seen.end(), "--search")) {
                if (result.All && !result.Search.empty())
                    throw UsageError("library export takes --all or --search, not both");
                if (!result.Output.empty())
                    throw UsageError("library export --all and --search write a folder, not -o");
                Expect(positional, action, 1, false, "one folder");
                result.Folder = positional.front();
                break;
            }
            if (positional.size() != 1) throw UsageError("library export needs one item");
            result.Item = positional.front();
            if (!IsNumber(result.Item) && !result.Item.starts_with(kListPrefix))
                throw UsageError("invalid item \"" + result.Item + "\" (an ID or list:NAME)");
            if (result.Output.empty()) throw UsageError("library export needs -o");
            break;
        case TLibraryAction::Tag:
            Expect(positional, action, 2, true, "an item and tags");
            result.Item = ItemId(positional.front());
            result.Tags.assign(positional.begin() + 1, positional.end());
            break;
        case TLibraryAction::Untag:
            Expect(positional, action, 1, true, "an item");
            result.Item = ItemId(positional.front());
            result.Tags.assign(positional.begin() + 1, positional.end());
            break;
        case TLibraryAction::Fav:
        case TLibraryAction::Unfav:
            Expect(positional, action, 1, false, "one item");
            result.Item = ItemId(positional.front());
            break;
        case TLibraryAction::Delete:
            Expect(positional, action, 1, true, "an item");
            for (const auto& id : positional) result.Tags.push_back(ItemId(id));
            break;
        case TLibraryAction::ListNew:
        case TLibraryAction::ListShow:
            Expect(positional, action, 1, false, "a list's name");
            result.List = positional.front();
            break;
        case TLibraryAction::ListPut:
            Expect(positional, action, 3, false, "a list's name, a position and an item");
            result.List = positional[0];
            result.Position = Position(positional[1]);
            result.Item = ItemId(positional[2]);
            break;
        case TLibraryAction::ListClear:
            Expect(positional, action, 2, false, "a list's name and a position");
            result.List = positional[0];
            result.Position = Position(positional[1]);
            break;
        case TLibraryAction::Backup:
        case TLibraryAction::Restore:
            Expect(positional, action, 1, false, "one file");
            result.Paths = positional;
            break;
        default:
            if (!positional.empty())
                throw UsageError("unexpected argument \"" + positional.front() + "\"");
            break;
    }
    return result;
}

void RunLibrary(const TLibraryArguments& args, std::ostream& out, std::ostream& err) {
    const fs::path file = args.File.empty() ? DefaultLibraryFile() : fs::path(args.File);
    if (args.Action == TLibraryAction::Restore) {
        library::RestoreLibrary(file, args.Paths.front());
        err << "Restored " << file.string() << " from " << args.Paths.front() << '\n';
        return;
    }
    library::TLibrary::TOptions options;
    // Only an import makes a library: a mistyped --file must not leave an empty one behind.
    options.Create = args.Action == TLibraryAction::Import;
    // What only reads works on a library that cannot be written, and says so.
    if (ReadsOnly(args.Action) && !Writable(file)) {
        options.ReadOnly = true;
        err << "The library " << file.string()
            << " cannot be written (its file or folder is read-only): it is only read\n";
    }
    const auto withBackup = [&](const std::string& fault) {
        std::string text = fault;
        if (const auto backup = library::NewestGoodBackup(file, library::TAutoBackup{}))
            text += "\nThe newest good backup is " + backup->string() +
                    " (tamboro-cli library restore " + backup->string() + ")";
        if (const auto rescued = library::RescueDamaged(file))
            text += "\nWhat could still be read from it (" + library::InfoSummary(rescued->Info) + ") is in " +
                    rescued->File.string() + " (tamboro-cli library restore " +
                    rescued->File.string() + ")";
        return library::LibraryError(text);
    };
    std::unique_ptr<library::TLibrary> opened;
    try {
        opened = std::make_unique<library::TLibrary>(file, options);
    } catch (const library::LibraryError& error) {
        throw withBackup(error.what());
    }
    library::TLibrary& lib = *opened;
    // As the editor does: a damaged library is not used, nor copied into a backup.
    if (const std::string check = lib.IntegrityCheck(); check != "ok")
        throw withBackup(library::kOpenErrorPrefix + file.string() + ": it fails its check (" +
                         check + ")");
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
        case TLibraryAction::Tag:
        case TLibraryAction::Untag:
            Tag(lib, args, out);
            break;
        case TLibraryAction::Fav:
        case TLibraryAction::Unfav:
            lib.SetFavourite(LiveItem(lib, args.Item).Id, args.Action == TLibraryAction::Fav);
            break;
        case TLibraryAction::Delete: {
            std::vector<library::ItemId> ids;
            for (const auto& id : args.Tags) ids.push_back(LiveItem(lib, id).Id);
            lib.Delete(ids);
            err << "Moved " << ids.size() << (ids.size() == 1 ? " item" : " items")
                << " to the Deleted view\n";
            break;
        }
        case TLibraryAction::Lists:
            for (const auto& list : lib.Lists())
                out << Printable(list.Name) << '\t' << list.Kits
                    << (list.Kits == 1 ? " kit\n" : " kits\n");
            break;
        case TLibraryAction::ListNew:
            lib.CreateList(args.List, {});
            break;
        case TLibraryAction::ListPut:
            lib.PutInList(NamedList(lib, args.List).Id, args.Position, LiveItem(lib, args.Item).Id);
            break;
        case TLibraryAction::ListClear:
            lib.ClearPosition(NamedList(lib, args.List).Id, args.Position);
            break;
        case TLibraryAction::ListShow:
            ShowList(lib, args, out);
            break;
        case TLibraryAction::Backup:
            lib.Backup(args.Paths.front());
            err << "Wrote " << args.Paths.front() << '\n';
            break;
        case TLibraryAction::Restore:
            break;
    }
}

}  // namespace cli
