// Two programs on one library file, each with its own connection: the editor's window, whose
// edits are undoable, and another program that edits now as tamboro-cli does (no undo) and now
// as a second window (undoable). Seeded runs interleave imports, requests, deletes, restores,
// Empty Deleted, list edits, tags, notes, favourites, renames, undo, redo, backup and restore,
// and compare what the other program reads after each step with a plain model.

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
constexpr std::uint32_t kSeeds = 200;
constexpr int kSteps = 40;

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

// One field of one kit or list that an undoable step changed, with its values either side.
enum class TField { Deleted, Favourite, TagsAndNote, ListName, ListDeleted, ListPositions };
struct TChange {
    TField Field;
    ItemId Id;
    int Pool;  // a list is known by its ID alone, also when a backup brought it back
    std::string Before, After;
};
using TStep = std::vector<TChange>;

std::string Text(const TPositions& positions) {
    std::string text;
    for (ItemId kit : positions) text += std::to_string(kit) + ",";
    return text;
}

// The field's value, or nothing when that kit or list is gone (or another kit has its ID).
std::optional<std::string> Get(const TState& state, const TChange& change) {
    if (change.Field >= TField::ListName) {
        const auto list = state.Lists.find(change.Id);
        if (list == state.Lists.end()) return {};
        if (change.Field == TField::ListName) return list->second.Name;
        if (change.Field == TField::ListDeleted) return std::to_string(list->second.Deleted);
        return Text(list->second.Positions);
    }
    const auto kit = state.Kits.find(change.Id);
    if (kit == state.Kits.end() || kit->second.Pool != change.Pool) return {};
    if (change.Field == TField::Deleted) return std::to_string(kit->second.Deleted);
    if (change.Field == TField::Favourite) return std::to_string(kit->second.Favourite);
    return kit->second.Tags + "\n" + kit->second.Note;
}

bool NameTaken(const TState& state, const std::string& name, ItemId except) {
    for (const auto& [id, list] : state.Lists)
        if (id != except && !list.Deleted && list.Name == name) return true;
    return false;
}

// False where the library cannot set it: a list's name taken, a kit of its positions gone.
bool Set(TState& state, const TChange& change, const std::string& value) {
    if (change.Field < TField::ListName) {
        TKitModel& kit = state.Kits.at(change.Id);
        if (change.Field == TField::Deleted) kit.Deleted = value == "1";
        if (change.Field == TField::Favourite) kit.Favourite = value == "1";
        if (change.Field == TField::TagsAndNote) {
            kit.Tags = value.substr(0, value.find('\n'));
            kit.Note = value.substr(value.find('\n') + 1);
        }
        return true;
    }
    TListModel& list = state.Lists.at(change.Id);
    if (change.Field == TField::ListName && !list.Deleted && NameTaken(state, value, change.Id))
        return false;
    if (change.Field == TField::ListDeleted && value == "0" &&
        NameTaken(state, list.Name, change.Id))
        return false;
    if (change.Field == TField::ListName) list.Name = value;
    if (change.Field == TField::ListDeleted) list.Deleted = value == "1";
    if (change.Field != TField::ListPositions) return true;
    std::istringstream in(value);
    std::string part;
    for (ItemId& kit : list.Positions)
        if (std::getline(in, part, ',') && (kit = std::stoll(part)) != kEmptyPlace &&
            !state.Kits.contains(kit))
            return false;
    return true;
}

// Every undoable step of both programs: the fields whose values differ from before to after.
TStep Diff(TState before, const TState& after) {
    for (const auto& [id, list] : after.Lists)  // a list the step made: its undo deletes it
        if (!before.Lists.contains(id)) before.Lists[id] = {list.Name, true, list.Positions};
    TStep step;
    const auto add = [&](TField field, ItemId id, int pool) {
        TChange change{field, id, pool, {}, {}};
        const auto from = Get(before, change), to = Get(after, change);
        if (from && to && from != to) step.push_back({field, id, pool, *from, *to});
    };
    for (const auto& [id, kit] : after.Kits)
        for (TField field : {TField::Deleted, TField::Favourite, TField::TagsAndNote})
            add(field, id, kit.Pool);
    for (const auto& [id, list] : after.Lists)
        for (TField field : {TField::ListName, TField::ListDeleted, TField::ListPositions})
            add(field, id, 0);
    return step;
}

// What a program finds in the library, written as the model's Seen writes it.
std::string Seen(library::TLibrary& lib) {
    std::map<ItemId, std::string> kits, lists;
    for (bool gone : {false, true}) {
        for (const auto& item : lib.Find({.Deleted = gone}))
            kits[item.Id] = (gone ? "deleted" : "") + std::to_string(item.Favourite) + " " +
                            item.Tags + "/" + item.Note;
        for (const auto& list : lib.Lists(gone)) {
            std::string shown;
            for (const auto& kit : lib.ListKits(list.Id))
                shown += std::to_string(kit ? kit->Id : kEmptyPlace) + ",";
            lists[list.Id] = (gone ? "deleted " : "") + list.Name + " " +
                             Text(lib.ListPositions(list.Id)) + " shows " + shown + " counts " +
                             std::to_string(list.Kits);
        }
    }
    std::string text = "info counts " + std::to_string(lib.Info().Kits) + " kits\n";
    for (const auto& [id, kit] : kits) text += "kit " + std::to_string(id) + ": " + kit + "\n";
    for (const auto& [id, list] : lists) text += "list " + std::to_string(id) + ": " + list + "\n";
    return text;
}

std::string Seen(const TState& state) {
    std::string text;
    int live = 0;
    for (const auto& [id, kit] : state.Kits) {
        live += kit.Deleted ? 0 : 1;
        text += "kit " + std::to_string(id) + ": " + (kit.Deleted ? "deleted" : "") +
                std::to_string(kit.Favourite) + " " + kit.Tags + "/" + kit.Note + "\n";
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
        text += "list " + std::to_string(id) + ": " + (list.Deleted ? "deleted " : "") + list.Name +
                " " + Text(list.Positions) + " shows " + upToLast + " counts " +
                std::to_string(count) + "\n";
    }
    return "info counts " + std::to_string(live) + " kits\n" + text;
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
            {12, &T::Import}, {8, &T::DeleteKits}, {5, &T::RestoreKits},  {3, &T::EmptyDeleted},
            {10, &T::Tags},   {6, &T::Favourite},  {18, &T::ListEdit},    {14, &T::Undo},
            {10, &T::Redo},   {5, &T::BackUp},     {9, &T::RestoreBackup}};
        const int p = Pick(2);
        m_undoable = p == 0 || Pick(2) == 0;
        m_problem.clear();
        int what = Pick(100);
        for (const auto& [weight, action] : kActions)
            if ((what -= weight) < 0) {
                m_log.push_back((p == 0 ? "window: " : "other program: ") + (this->*action)(p));
                break;
            }
        if (!m_problem.empty()) return m_problem;
        // What one program writes, the other finds.
        const std::string seen = Seen(*m_libs[1 - p]), model = Seen(m_state);
        return seen == model ? "" : "the other program finds\n" + seen + "the model\n" + model;
    }

    const std::vector<std::string>& Log() const { return m_log; }

  private:
    int Pick(int n) { return static_cast<int>(m_random() % static_cast<unsigned>(n)); }
    ItemId One(const std::vector<ItemId>& ids) {
        return ids[static_cast<std::size_t>(Pick(static_cast<int>(ids.size())))];
    }
    // Some of the ids, at least one.
    std::vector<ItemId> Some(const std::vector<ItemId>& ids) {
        std::vector<ItemId> some;
        for (ItemId id : ids)
            if (Pick(2) == 0) some.push_back(id);
        return some.empty() ? std::vector<ItemId>{One(ids)} : some;
    }
    std::vector<ItemId> KitIds(bool deleted) const {
        std::vector<ItemId> ids;
        for (const auto& [id, kit] : m_state.Kits)
            if (kit.Deleted == deleted) ids.push_back(id);
        return ids;
    }
    std::vector<ItemId> ListIds(bool deleted) const {
        std::vector<ItemId> ids;
        for (const auto& [id, list] : m_state.Lists)
            if (list.Deleted == deleted) ids.push_back(id);
        return ids;
    }
    static std::string Ids(const std::vector<ItemId>& ids) {
        std::string text;
        for (ItemId id : ids) text += " " + std::to_string(id);
        return text;
    }

    void Expect(const std::function<void()>& call) {
        try {
            call();
        } catch (const std::exception& error) {
            m_problem = std::string("raised: ") + error.what();
        }
    }

    // An edit through the program's TEdits when this step is undoable, else straight on its
    // library; `model` then makes it in the model, and the fields it changed are the step.
    template <class Call>
    std::string Edit(int p, const std::string& text, Call call,
                     const std::function<void()>& model) {
        const TState before = m_state;
        Expect([&] { m_undoable ? call(*m_edits[p]) : call(*m_libs[p]); });
        model();
        TStep step = Diff(before, m_state);
        if (m_undoable && !step.empty()) {
            m_undo[p].push_back(std::move(step));
            m_redo[p].clear();
        }
        return text + (m_undoable ? " (undoable)" : "");
    }

    // A kit of the pool imported from its file or seen on the module after a request.
    std::string Import(int p) {
        const int k = Pick(kPool);
        const bool request = Pick(2) == 0;
        std::optional<ItemId> known;
        for (const auto& [id, kit] : m_state.Kits)
            if (kit.Pool == k) known = id;
        ItemId id = kEmptyPlace;
        library::TImportReport report;
        Expect([&] {
            if (request) {
                id = m_libs[p]
                         ->Add(library::TKind::Kit, m_kits[static_cast<std::size_t>(k)],
                               library::ModuleOrigin(16, "2026-12-08"), k + 1)
                         .first;
                return;
            }
            const fs::path files[] = {m_kitFiles[static_cast<std::size_t>(k)]};
            report = m_libs[p]->Import(files);
            for (const auto& item : m_libs[p]->Find({}))
                if (!m_state.Kits.contains(item.Id)) id = item.Id;
        });
        const std::string text = (request ? "request sees kit " : "import kit ") +
                                 std::to_string(k) + " as item " +
                                 std::to_string(known ? *known : id);
        // What comes in again is in the library again, out of the Deleted view.
        const int restored = known && m_state.Kits[*known].Deleted ? 1 : 0;
        if (known) m_state.Kits[*known].Deleted = false;
        if (!m_problem.empty()) return text;
        if (request && known && id != *known)
            m_problem = "the request's kit is item " + std::to_string(id);
        if (!known && (id == kEmptyPlace || m_state.Kits.contains(id)))
            m_problem = "the new kit is not in the library as a new item";
        if (!request && (report.Added != (known ? 0 : 1) || report.Restored != restored ||
                         report.Known != (known ? 1 - restored : 0)))
            m_problem = "the import counts " + std::to_string(report.Added) + " new, " +
                        std::to_string(report.Known) + " known, " +
                        std::to_string(report.Restored) + " back from Deleted";
        if (!known && m_problem.empty()) m_state.Kits[id] = {k, false, false, {}, {}};
        return text;
    }

    std::string DeleteKits(int p) { return ToDeleted(p, true); }
    std::string RestoreKits(int p) { return ToDeleted(p, false); }
    std::string ToDeleted(int p, bool deleted) {
        const auto from = KitIds(!deleted);
        if (from.empty()) return "no kit to " + std::string(deleted ? "delete" : "restore");
        const auto ids = Some(from);
        return Edit(
            p, (deleted ? "delete" : "restore") + Ids(ids),
            [&](auto& to) { deleted ? to.Delete(ids) : to.Restore(ids); },
            [&] {
                for (ItemId id : ids) m_state.Kits[id].Deleted = deleted;
            });
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

    // Tags added and removed, the note set or left (as tamboro-cli tags one kit at a time),
    // or the same tags and note for every kit.
    std::string Tags(int p) {
        const auto live = KitIds(false);
        if (live.empty()) return "no kit to tag";
        static const std::string kWords[] = {"funk", "gig", "jazz", "Live"};
        const auto ids = Some(live);
        const std::string added[] = {kWords[Pick(4)]}, removed[] = {kWords[Pick(4)]};
        std::optional<std::string> note;
        if (Pick(2) == 0) note = "note " + std::to_string(Pick(3));
        if (Pick(2) == 0)
            return Edit(
                p, "tags and note of" + Ids(ids) + ": " + added[0] + ", " + note.value_or(""),
                [&](auto& to) { to.SetTagsAndNote(ids, added[0], note.value_or("")); },
                [&] {
                    for (ItemId id : ids) m_state.Kits[id].Tags = added[0];
                    for (ItemId id : ids) m_state.Kits[id].Note = note.value_or("");
                });
        return Edit(
            p,
            "tags of" + Ids(ids) + ": +" + added[0] + " -" + removed[0] + ", " +
                note.value_or("note left"),
            [&](auto& to) {
                if constexpr (requires { to.ChangeTags(ids, added, removed, note); })
                    to.ChangeTags(ids, added, removed, note);
                else
                    for (ItemId id : ids) {
                        const ItemId one[] = {id};
                        const auto item = to.Item(id);
                        to.SetTagsAndNote(
                            one,
                            library::WithTags(library::WithoutTags(item->Tags, removed), added),
                            note.value_or(item->Note));
                    }
            },
            [&] {
                for (ItemId id : ids) {
                    TKitModel& kit = m_state.Kits[id];
                    kit.Tags = library::WithTags(library::WithoutTags(kit.Tags, removed), added);
                    kit.Note = note.value_or(kit.Note);
                }
            });
    }

    std::string Favourite(int p) {
        const auto live = KitIds(false);
        if (live.empty()) return "no kit to mark";
        const auto ids = Some(live);
        const bool on = Pick(2) == 0;
        return Edit(
            p, (on ? "mark favourite" : "unmark favourite") + Ids(ids),
            [&](auto& to) {
                if constexpr (requires { to.SetFavourite(ids, on); })
                    to.SetFavourite(ids, on);
                else
                    for (ItemId id : ids) to.SetFavourite(id, on);
            },
            [&] {
                for (ItemId id : ids) m_state.Kits[id].Favourite = on;
            });
    }

    std::string ListEdit(int p) {
        const auto lists = ListIds(false), deleted = ListIds(true), live = KitIds(false);
        const std::string name = "L" + std::to_string(Pick(4));
        const int what = lists.empty() ? 0 : Pick(7), at = Pick(4), to = Pick(4);
        if (what == 0) {
            if (NameTaken(m_state, name, kEmptyPlace)) return "no new list " + name + ": taken";
            ItemId id = kEmptyPlace;
            return Edit(
                p, "new list " + name, [&](auto& lib) { id = lib.CreateList(name, {}); },
                [&] {
                    if (m_state.Lists.contains(id))
                        m_problem = "the new list took the ID of list " + std::to_string(id);
                    m_state.Lists[id] = {name, false, {}};
                });
        }
        if (what == 3 && deleted.empty()) return "no list to restore";
        const ItemId list = what == 3 ? One(deleted) : One(lists);
        TListModel& l = m_state.Lists[list];
        const std::string text = "list " + std::to_string(list) + ": ";
        if ((what == 1 && NameTaken(m_state, name, list)) ||
            (what == 3 && NameTaken(m_state, l.Name, list)))
            return text + "name taken";
        if (what == 4 && live.empty()) return text + "no kit to put";
        const ItemId kit = what == 4 ? One(live) : kEmptyPlace;
        const auto at_ = static_cast<std::size_t>(at), to_ = static_cast<std::size_t>(to);
        static const char* const kWhat[] = {"",    "rename", "delete", "restore",
                                            "put", "clear",  "swap"};
        return Edit(
            p,
            text + kWhat[what] + " " + name + " " + std::to_string(kit) + " " +
                std::to_string(at + 1) + " " + std::to_string(to + 1),
            [&](auto& lib) {
                if (what == 1) lib.RenameList(list, name);
                if (what == 2) lib.DeleteList(list);
                if (what == 3) lib.RestoreList(list);
                if (what == 4) lib.PutInList(list, at, kit);
                if (what == 5) lib.ClearPosition(list, at);
                if (what == 6) lib.SwapPositions(list, at, to);
            },
            [&] {
                if (what == 1) l.Name = name;
                if (what == 2 || what == 3) l.Deleted = what == 2;
                if (what == 4 || what == 5) l.Positions[at_] = kit;
                if (what == 6) std::swap(l.Positions[at_], l.Positions[to_]);
            });
    }

    std::string Undo(int p) { return Replay(p, true); }
    std::string Redo(int p) { return Replay(p, false); }
    // One rule for every undo and redo: when each field still holds what the step left, the
    // step is taken back (or done again); when anything was changed meanwhile, nothing is.
    std::string Replay(int p, bool undo) {
        auto& from = undo ? m_undo[p] : m_redo[p];
        auto& to = undo ? m_redo[p] : m_undo[p];
        library::TEdits& edits = *m_edits[p];
        const std::string word = undo ? "undo" : "redo";
        if ((undo ? edits.CanUndo() : edits.CanRedo()) != !from.empty())
            m_problem = "the edits and the model differ on whether there is a step to " + word;
        if (from.empty() || !m_problem.empty()) return word;
        const std::string text = word + " " + (undo ? edits.UndoText() : edits.RedoText());
        TStep step = std::move(from.back());
        from.pop_back();
        TState next = m_state;
        bool possible = true;
        for (const TChange& change : step)
            possible = possible && Get(next, change) == (undo ? change.After : change.Before);
        for (const TChange& change : step)
            possible = possible && Set(next, change, undo ? change.Before : change.After);
        if (possible) m_state = std::move(next), to.push_back(std::move(step));
        std::string refused;
        try {
            undo ? edits.Undo() : edits.Redo();
        } catch (const library::LibraryError& error) {
            refused = error.what();
        } catch (const std::exception& error) {
            m_problem = std::string("raised: ") + error.what();
        }
        if (possible && !refused.empty()) m_problem = "refused: " + refused;
        if (!possible && refused.empty() && m_problem.empty())
            m_problem = "done although another program changed what it puts back";
        return text + (refused.empty() ? "" : " (refused: " + refused + ")");
    }

    std::string BackUp(int p) {
        const fs::path file = m_dir / ("backup" + std::to_string(m_backups.size()) + ".sqlite3");
        Expect([&] { m_libs[p]->Backup(file); });
        m_backups.emplace_back(file, m_state);
        return "back up to " + file.filename().string();
    }

    std::string RestoreBackup(int p) {
        if (m_backups.empty()) return "no backup to restore";
        const auto& [file, state] =
            m_backups[static_cast<std::size_t>(Pick(static_cast<int>(m_backups.size())))];
        Expect([&] { m_libs[p]->RestoreFrom(file); });
        m_state = state;
        // The restoring window forgets its steps; the other program keeps its own.
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
    bool m_undoable = false;
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
