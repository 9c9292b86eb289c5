// Two programs on one library file, each with its own connection: the editor's window, whose
// edits are undoable, and another program that edits now as tamboro-cli does (no undo) and now
// as a second window (undoable). Seeded runs interleave imports, requests, deletes, restores,
// Empty Deleted, list edits, tags, notes, favourites, renames, undo, redo, backup and restore,
// and compare what the other program reads after each step with a plain model.

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <map>
#include <optional>
#include <random>
#include <sstream>

#include "library/Edits.h"
#include "library/Mirror.h"
#include "tests/library/LibraryFixture.h"

namespace librarytest {

namespace {

using library::ItemId;
using library::kEmptyPlace;
using library::TPositions;

constexpr int kPool = 6;  // kits the programs import and see on the module
constexpr std::uint32_t kSeeds = 150;
constexpr int kSteps = 60;

struct TKitModel {
    int Pool = 0;  // which kit of the pool: the item's identity, whatever its ID
    bool Deleted = false, Favourite = false;
    std::string Tags, Note;
};
struct TListModel {
    std::string Name;
    bool Deleted = false;
    TPositions Positions{};
};
struct TState {
    std::map<ItemId, TKitModel> Kits;
    std::map<ItemId, TListModel> Lists;
};
// An undoable edit as the model holds it: the state before and after it.
struct TStep {
    TState Before, After;
};

std::string Text(const auto& ids) {
    std::string text;
    for (ItemId id : ids) text += std::to_string(id) + ",";
    return text;
}

enum class TField { Deleted, Favourite, TagsAndNote, ListName, ListDeleted, ListPositions };

// The field's value, or nothing when that kit or list is gone or another kit has its ID. A
// list is known by its ID alone, also when a backup brought it back.
std::optional<std::string> Get(const TState& state, TField field, ItemId id, int pool) {
    if (field >= TField::ListName) {
        const auto list = state.Lists.find(id);
        if (list == state.Lists.end()) return {};
        if (field == TField::ListName) return list->second.Name;
        if (field == TField::ListDeleted) return std::to_string(list->second.Deleted);
        return Text(list->second.Positions);
    }
    const auto kit = state.Kits.find(id);
    if (kit == state.Kits.end() || kit->second.Pool != pool) return {};
    if (field == TField::Deleted) return std::to_string(kit->second.Deleted);
    if (field == TField::Favourite) return std::to_string(kit->second.Favourite);
    return kit->second.Tags + "\n" + kit->second.Note;
}

bool NameTaken(const TState& state, const std::string& name, ItemId except) {
    for (const auto& [id, list] : state.Lists)
        if (id != except && !list.Deleted && list.Name == name) return true;
    return false;
}

// False where the library cannot set it: a list's name taken, a kit of its positions gone.
bool Set(TState& state, TField field, ItemId id, const std::string& value) {
    if (field < TField::ListName) {
        TKitModel& kit = state.Kits.at(id);
        if (field == TField::Deleted) kit.Deleted = value == "1";
        if (field == TField::Favourite) kit.Favourite = value == "1";
        if (field == TField::TagsAndNote) kit.Tags = value.substr(0, value.find('\n'));
        if (field == TField::TagsAndNote) kit.Note = value.substr(value.find('\n') + 1);
        return true;
    }
    TListModel& list = state.Lists.at(id);
    if (field == TField::ListName && NameTaken(state, value, id)) return false;
    if (field == TField::ListDeleted && value == "0" && NameTaken(state, list.Name, id))
        return false;
    if (field == TField::ListName) list.Name = value;
    if (field == TField::ListDeleted) list.Deleted = value == "1";
    std::istringstream in(value);
    std::string part;
    for (ItemId& kit : list.Positions)
        if (field == TField::ListPositions && std::getline(in, part, ',') &&
            (kit = std::stoll(part)) != kEmptyPlace && !state.Kits.contains(kit))
            return false;
    return true;
}

// One rule for every undo and redo: when each field the step changed still holds what the
// step left, the step is taken back (or done again); when any was changed meanwhile, nothing.
bool Replay(TState& state, const TStep& step, bool undo) {
    const TState& from = undo ? step.After : step.Before;
    const TState& to = undo ? step.Before : step.After;
    TState next = state;
    bool possible = true;
    const auto replay = [&](TField field, ItemId id, int pool) {
        const auto was = Get(from, field, id, pool), now = Get(to, field, id, pool);
        if (was && now && was != now)
            possible = possible && Get(state, field, id, pool) == was && Set(next, field, id, *now);
    };
    for (const auto& [id, kit] : step.After.Kits)
        for (TField field : {TField::Deleted, TField::Favourite, TField::TagsAndNote})
            replay(field, id, kit.Pool);
    for (const auto& [id, list] : step.After.Lists)
        for (TField field : {TField::ListName, TField::ListDeleted, TField::ListPositions})
            replay(field, id, 0);
    if (possible) state = std::move(next);
    return possible;
}

std::string Kit(ItemId id, bool deleted, bool favourite, const std::string& tags,
                const std::string& note) {
    return "kit " + std::to_string(id) + (deleted ? " deleted " : " ") + std::to_string(favourite) +
           " " + tags + "/" + note + "\n";
}
std::string List(ItemId id, bool deleted, const std::string& name, const TPositions& positions,
                 const std::string& shown, int count) {
    return "list " + std::to_string(id) + (deleted ? " deleted " : " ") + name + " " +
           Text(positions) + " shows " + shown + " counts " + std::to_string(count) + "\n";
}

// What a program finds in the library, as Seen of the model writes it.
std::string Seen(library::TLibrary& lib) {
    std::map<ItemId, std::string> kits, lists;
    for (bool gone : {false, true}) {
        for (const auto& item : lib.Find({.Deleted = gone}))
            kits[item.Id] = Kit(item.Id, gone, item.Favourite, item.Tags, item.Note);
        for (const auto& list : lib.Lists(gone)) {
            std::string shown;
            for (const auto& kit : lib.ListKits(list.Id))
                shown += std::to_string(kit ? kit->Id : kEmptyPlace) + ",";
            lists[list.Id] =
                List(list.Id, gone, list.Name, lib.ListPositions(list.Id), shown, list.Kits);
        }
    }
    std::string text = "info counts " + std::to_string(lib.Info().Kits) + "\n";
    for (const auto* map : {&kits, &lists})
        for (const auto& [id, line] : *map) text += line;
    return text;
}

std::string Seen(const TState& state) {
    std::string text;
    int live = 0;
    for (const auto& [id, kit] : state.Kits) {
        live += kit.Deleted ? 0 : 1;
        text += Kit(id, kit.Deleted, kit.Favourite, kit.Tags, kit.Note);
    }
    for (const auto& [id, list] : state.Lists) {
        // A list shows each position whose kit is not in the Deleted view, up to the last.
        std::string shown, upToLast;
        int count = 0;
        for (ItemId kit : list.Positions) {
            const bool shows = kit != kEmptyPlace && !state.Kits.at(kit).Deleted;
            shown += std::to_string(shows ? kit : kEmptyPlace) + ",";
            if (shows) upToLast = shown, ++count;
        }
        text += List(id, list.Deleted, list.Name, list.Positions, upToLast, count);
    }
    return "info counts " + std::to_string(live) + "\n" + text;
}

class TTwoPrograms {
  public:
    TTwoPrograms(const fs::path& dir, const std::vector<fs::path>& kitFiles,
                 const std::vector<Bytes>& kits, const library::TLibrary::TOptions& options,
                 std::uint32_t seed)
        : m_dir(dir), m_kitFiles(kitFiles), m_kits(kits), m_random(seed) {
        for (int p = 0; p < 2; ++p) {
            m_libs[p] = std::make_unique<library::TLibrary>(dir / "library.sqlite3", options);
            m_edits[p] = std::make_unique<library::TEdits>(*m_libs[p]);
        }
    }

    // One step by one of the programs; a problem is returned as a sentence.
    std::string Step() {
        using T = TTwoPrograms;
        static const std::pair<int, std::string (T::*)(int)> kActions[] = {
            {14, &T::Import},   {13, &T::DeleteOrRestore}, {6, &T::EmptyDeleted}, {10, &T::Tags},
            {6, &T::Favourite}, {15, &T::ListEdit},        {14, &T::Undo},        {8, &T::Redo},
            {14, &T::Backup}};
        const int p = Pick(2);
        m_undoable = p == 0 || Pick(2) == 0;
        m_edited = false;
        m_problem.clear();
        TState before = m_state;
        int what = Pick(100);
        for (const auto& [weight, action] : kActions)
            if ((what -= weight) < 0) {
                m_log.push_back((p == 0 ? "window: " : "other program: ") + (this->*action)(p) +
                                (m_edited && m_undoable ? " (undoable)" : ""));
                break;
            }
        for (const auto& [id, list] : m_state.Lists)  // a list the step made: its undo deletes it
            if (!before.Lists.contains(id)) before.Lists[id] = {list.Name, true, list.Positions};
        // An undoable edit that changed anything is a step of its program.
        if (m_edited && m_undoable && Seen(before) != Seen(m_state)) {
            m_undo[p].push_back({std::move(before), m_state});
            m_redo[p].clear();
        }
        if (!m_problem.empty()) return m_problem;
        // What one program writes, the other finds.
        const std::string seen = Seen(*m_libs[1 - p]), model = Seen(m_state);
        return seen == model ? "" : "the other program finds\n" + seen + "the model\n" + model;
    }

    const std::vector<std::string>& Log() const { return m_log; }

  private:
    int Pick(int n) { return static_cast<int>(m_random() % static_cast<unsigned>(n)); }
    ItemId One(const std::vector<ItemId>& ids) { return ids[Pick(static_cast<int>(ids.size()))]; }
    // Some of the ids, at least one where there are any.
    std::vector<ItemId> Some(const std::vector<ItemId>& ids) {
        std::vector<ItemId> some;
        for (ItemId id : ids)
            if (Pick(2) == 0) some.push_back(id);
        if (some.empty() && !ids.empty()) some.push_back(One(ids));
        return some;
    }
    template <class Model>
    static std::vector<ItemId> IdsIn(const std::map<ItemId, Model>& models, bool deleted) {
        std::vector<ItemId> ids;
        for (const auto& [id, model] : models)
            if (model.Deleted == deleted) ids.push_back(id);
        return ids;
    }

    void Expect(const std::function<void()>& call) {
        try {
            call();
        } catch (const std::exception& error) {
            m_problem = std::string("raised: ") + error.what();
        }
    }
    // An edit through the program's TEdits when this step is undoable, else on its library.
    template <class Call>
    void Edit(int p, Call call) {
        m_edited = true;
        Expect([&] { m_undoable ? call(*m_edits[p]) : call(*m_libs[p]); });
    }

    // A kit of the pool imported from its file or seen on the module after a request: a kit
    // that comes in again is in the library again, out of the Deleted view.
    std::string Import(int p) {
        const int k = Pick(kPool);
        const bool request = Pick(2) == 0;
        const auto known =
            std::ranges::find(m_state.Kits, k, [](auto& kit) { return kit.second.Pool; });
        const bool old = known != m_state.Kits.end(), restored = old && known->second.Deleted;
        ItemId id = old ? known->first : kEmptyPlace;
        library::TImportReport report{
            .Added = old ? 0 : 1, .Known = old && !restored, .Restored = restored};
        const std::string text = (request ? "request sees kit " : "import kit ") +
                                 std::to_string(k) +
                                 (old ? " (item " + Text(std::vector{id}) + ")" : "");
        Expect([&] {
            if (request)
                id = m_libs[p]
                         ->Add(library::TKind::Kit, m_kits[k],
                               library::ModuleOrigin(16, "2026-12-08"), k + 1)
                         .first;
            else
                report = m_libs[p]->Import(std::vector{m_kitFiles[k]});
            for (const auto& item : m_libs[p]->Find({}))
                if (!request && !m_state.Kits.contains(item.Id)) id = item.Id;
        });
        if (!m_problem.empty()) return text;
        if (old && id != known->first) m_problem = "the kit is item " + std::to_string(id);
        if (!old && (id == kEmptyPlace || m_state.Kits.contains(id)))
            m_problem = "the new kit is not a new item";
        if (report.Added != !old || report.Known != (old && !restored) ||
            report.Restored != restored)
            m_problem = "the import counts " + std::to_string(report.Added) + " new, " +
                        std::to_string(report.Known) + " known, " +
                        std::to_string(report.Restored) + " back from Deleted";
        if (old) known->second.Deleted = false;
        if (!old) m_state.Kits[id] = {k, false, false, {}, {}};
        return text + " as item " + std::to_string(id);
    }

    std::string DeleteOrRestore(int p) {
        const bool restore = Pick(13) < 5;
        const auto ids = Some(IdsIn(m_state.Kits, restore));
        for (ItemId id : ids) m_state.Kits[id].Deleted = !restore;
        if (!ids.empty()) Edit(p, [&](auto& to) { restore ? to.Restore(ids) : to.Delete(ids); });
        return (restore ? "restore " : "delete ") + Text(ids);
    }

    std::string Favourite(int p) {
        const auto ids = Some(IdsIn(m_state.Kits, false));
        const bool on = Pick(2) == 0;
        for (ItemId id : ids) m_state.Kits[id].Favourite = on;
        if (!ids.empty())
            Edit(p, [&](auto& to) {
                if constexpr (requires { to.SetFavourite(ids, on); })
                    to.SetFavourite(ids, on);
                else
                    for (ItemId id : ids) to.SetFavourite(id, on);
            });
        return (on ? "mark favourite " : "unmark favourite ") + Text(ids);
    }

    // Tags added and removed with the note set or left, or the same tags and note for every
    // kit (as tamboro-cli sets them). The tags are kWords only: removing them all and adding
    // one sets that one.
    std::string Tags(int p) {
        static const std::string kWords[] = {"funk", "gig", "jazz", "Live"};
        const auto ids = Some(IdsIn(m_state.Kits, false));
        const bool set = !m_undoable || Pick(2) == 0;
        const std::string added[] = {kWords[Pick(4)]}, one[] = {kWords[Pick(4)]};
        const auto removed =
            set ? std::span<const std::string>(kWords) : std::span<const std::string>(one);
        std::optional<std::string> note;
        if (set || Pick(2) == 0) note = "note " + std::to_string(Pick(3));
        for (ItemId id : ids) {
            TKitModel& kit = m_state.Kits[id];
            kit.Tags = library::WithTags(library::WithoutTags(kit.Tags, removed), added);
            kit.Note = note.value_or(kit.Note);
        }
        if (!ids.empty())
            Edit(p, [&](auto& to) {
                if constexpr (requires { to.ChangeTags(ids, added, removed, note); })
                    if (!set) return to.ChangeTags(ids, added, removed, note);
                to.SetTagsAndNote(ids, added[0], *note);
            });
        return "tags of " + Text(ids) + " +" + added[0] + " -" + (set ? "all" : one[0]) + " " +
               note.value_or("");
    }

    std::string EmptyDeleted(int p) {
        std::erase_if(m_state.Kits, [](const auto& kit) { return kit.second.Deleted; });
        std::erase_if(m_state.Lists, [](const auto& list) { return list.second.Deleted; });
        for (auto& [id, list] : m_state.Lists)
            for (ItemId& kit : list.Positions)
                if (!m_state.Kits.contains(kit)) kit = kEmptyPlace;
        Expect([&] { m_libs[p]->EmptyDeleted(); });
        return "empty Deleted";
    }

    // A list made, renamed, deleted or restored; a kit put in, a position cleared, two swapped.
    std::string ListEdit(int p) {
        const auto lists = IdsIn(m_state.Lists, false), deleted = IdsIn(m_state.Lists, true);
        const auto live = IdsIn(m_state.Kits, false);
        const std::string name = "L" + std::to_string(Pick(4));
        const int what = lists.empty() ? 0 : Pick(7), at = Pick(4), to = Pick(4);
        ItemId list =
            what == 0 ? kEmptyPlace : One(what == 3 && !deleted.empty() ? deleted : lists);
        const ItemId kit = what == 4 && !live.empty() ? One(live) : kEmptyPlace;
        static const char* const kWhat[] = {"new", "rename", "delete", "restore",
                                            "put", "clear",  "swap"};
        const std::string text = std::string("list ") + kWhat[what] + " " + std::to_string(list) +
                                 " " + name + " " + std::to_string(kit) + " " +
                                 std::to_string(at + 1) + " " + std::to_string(to + 1);
        if ((what < 2 && NameTaken(m_state, name, list)) ||
            (what == 3 &&
             (deleted.empty() || NameTaken(m_state, m_state.Lists[list].Name, list))) ||
            (what == 4 && live.empty()))
            return text + ": not possible";
        Edit(p, [&](auto& lib) {
            if (what == 0) list = lib.CreateList(name, {});
            if (what == 1) lib.RenameList(list, name);
            if (what == 2) lib.DeleteList(list);
            if (what == 3) lib.RestoreList(list);
            if (what == 4) lib.PutInList(list, at, kit);
            if (what == 5) lib.ClearPosition(list, at);
            if (what == 6) lib.SwapPositions(list, at, to);
        });
        if (what == 0 && m_state.Lists.contains(list))
            m_problem = "the new list took the ID of list " + std::to_string(list);
        TListModel& l = m_state.Lists[list];
        if (what < 2) l.Name = name;
        if (what == 0 || what == 2 || what == 3) l.Deleted = what == 2;
        if (what == 4 || what == 5) l.Positions[at] = kit;
        if (what == 6) std::swap(l.Positions[at], l.Positions[to]);
        return text;
    }

    std::string Undo(int p) { return UndoOrRedo(p, true); }
    std::string Redo(int p) { return UndoOrRedo(p, false); }
    std::string UndoOrRedo(int p, bool undo) {
        auto& from = undo ? m_undo[p] : m_redo[p];
        library::TEdits& edits = *m_edits[p];
        if ((undo ? edits.CanUndo() : edits.CanRedo()) != !from.empty())
            m_problem = "the edits and the model differ on whether there is a step to take";
        if (from.empty() || !m_problem.empty()) return undo ? "undo" : "redo";
        const std::string text = undo ? "undo " + edits.UndoText() : "redo " + edits.RedoText();
        TStep step = std::move(from.back());
        from.pop_back();
        const bool possible = Replay(m_state, step, undo);
        if (possible) (undo ? m_redo[p] : m_undo[p]).push_back(std::move(step));
        std::string refused;
        try {
            undo ? edits.Undo() : edits.Redo();
        } catch (const library::LibraryError& error) {
            refused = error.what();
        } catch (const std::exception& error) {
            m_problem = std::string("raised: ") + error.what();
            return text;
        }
        if (possible != refused.empty())
            m_problem = possible ? "refused: " + refused
                                 : "done although another program changed what it puts back";
        return text + (refused.empty() ? "" : " (refused: " + refused + ")");
    }

    // A backup made, or one restored: the restoring window forgets its steps, the other
    // program keeps its own.
    std::string Backup(int p) {
        if (m_backups.empty() || Pick(14) < 5) {
            const fs::path file =
                m_dir / ("backup" + std::to_string(m_backups.size()) + ".sqlite3");
            Expect([&] { m_libs[p]->Backup(file); });
            m_backups.emplace_back(file, m_state);
            return "back up to " + file.filename().string();
        }
        const auto& [file, state] = m_backups[Pick(static_cast<int>(m_backups.size()))];
        Expect([&] { m_libs[p]->RestoreFrom(file); });
        m_state = state;
        m_edits[p]->Clear();
        m_undo[p].clear();
        m_redo[p].clear();
        return "restore " + file.filename().string();
    }

    fs::path m_dir;
    const std::vector<fs::path>& m_kitFiles;
    const std::vector<Bytes>& m_kits;
    std::mt19937 m_random;
    std::unique_ptr<library::TLibrary> m_libs[2];
    std::unique_ptr<library::TEdits> m_edits[2];
    TState m_state;
    std::vector<TStep> m_undo[2], m_redo[2];
    std::vector<std::pair<fs::path, TState>> m_backups;
    std::vector<std::string> m_log;
    std::string m_problem;
    bool m_undoable = false, m_edited = false;
};

}  // namespace

TEST_F(LibraryTest, TwoProgramsEditingOneLibraryLoseNothingAndUndoOnlyTheirOwnChanges) {
    Td7Module module;
    module.LoadRandom(35);
    std::vector<Bytes> kits;
    std::vector<fs::path> files;
    for (int k = 0; k < kPool; ++k) {
        kits.push_back(Kit(module, k));
        files.push_back(Write("kits/kit" + std::to_string(k) + ".syx", kits.back()));
    }
    // TAMBORO_SEED=N runs that seed alone.
    const char* only = std::getenv("TAMBORO_SEED");
    const std::uint32_t first = only ? static_cast<std::uint32_t>(std::stoul(only)) : 1;
    for (std::uint32_t seed = first; seed <= (only ? first : kSeeds); ++seed) {
        // In memory where the system has such a folder: the runs write and sync often.
        std::error_code error;
        const fs::path run =
            (fs::is_directory("/dev/shm", error) ? fs::path("/dev/shm") : dir) /
            ("tamboro-two-programs-" + std::to_string(::getpid()) + "-" + std::to_string(seed));
        fs::create_directories(run);
        {
            TTwoPrograms programs(run, files, kits, Options(), seed);
            std::string problem;
            for (int k = 0; k < kSteps && problem.empty(); ++k) problem = programs.Step();
            std::string log;
            for (const auto& line : programs.Log()) log += "  " + line + "\n";
            if (!problem.empty())
                ADD_FAILURE() << "seed " << seed << " (TAMBORO_SEED=" << seed
                              << " runs it alone): " << problem << "\nsteps:\n"
                              << log;
        }
        fs::remove_all(run);
    }
}

}  // namespace librarytest
