#pragma once

// The kit library: every kit, instrument set and system block ever imported or seen on the
// module, each stored once (normalised, keyed by its hash) with its name, favourite flag,
// tags, note, when it was first seen and every source it came from; and named lists of up
// to 32 kits that become banks. One SQLite file, in WAL mode, so that two programs can use
// it at once; every import is one transaction per file.

#include <array>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

#include "library/Items.h"

namespace library {

class TDatabase;

// Why the library cannot be used; the text is what the user reads.
class LibraryError : public std::runtime_error {
  public:
    explicit LibraryError(const std::string& text) : std::runtime_error(text) {}
};

inline constexpr const char* kOpenErrorPrefix = "The library could not be opened: ";
inline constexpr int kSchemaVersion = 2;
// Tamboro's mark in the file's header ("TD7L"), so that no other program's file is taken.
inline constexpr int kApplicationId = 0x5444374C;
inline constexpr int kMaxListKits = 32;

using ItemId = std::int64_t;
// A position of a list without a kit: loading the list leaves that slot of the module as
// it is, and the list saved as a setup marks that slot empty.
inline constexpr ItemId kEmptyPlace = 0;
// The positions of a list, one for each patch slot of the module.
using TPositions = std::array<ItemId, 32>;

struct TItem {
    ItemId Id = 0;
    TKind Kind = TKind::Kit;
    std::string Name;
    bool Favourite = false;
    std::string Tags;
    std::string Note;
    std::string FirstSeen;  // "YYYY-MM-DD HH:MM" (UTC)
    int Sources = 0;
    std::string Deleted;  // when it went to the Deleted view; empty while it is not there
    // Of the normalised bytes: which item this is, also after its ID was given to another
    // (a restored backup, a removed item's ID taken again).
    std::string Hash;
};

struct TSource {
    std::string Origin;  // a file's path, or "TD-7 (device ID 17)"
    int Slot = 0;        // from 1; 0: the item was the file's only one
    std::string Seen;
};

struct TFilter {
    // Words that name, tags, note or a source must all contain; "a phrase" in double
    // quotes, -word for what must not be there, tag:TAG, fav:, kind:KIND and source:TEXT.
    std::string Search;
    bool FavouritesOnly = false;
    std::optional<TKind> Kind;
    bool Deleted = false;  // the Deleted view instead of the library
};

struct TList {
    ItemId Id = 0;
    std::string Name;
    int Kits = 0;
    std::string Deleted;  // as TItem::Deleted
};

// Another state of a kit: the same slot and name seen in the module at another time, or
// another kit of the same name.
struct TVersion {
    TItem Item;
    std::string Seen;    // when it was last seen, "YYYY-MM-DD HH:MM"
    bool SameSlot = false;  // seen in the module's slot the kit was seen in
    int Slot = 0;        // that slot, from 1 (0: another kit of the same name)
};

struct TExportReport {
    int Written = 0;
    std::vector<std::filesystem::path> Files;
};

struct TImportReport {
    int Files = 0;  // files of which at least one item came in
    int Added = 0;  // items new to the library
    int Known = 0;  // items it held already
    int Restored = 0;  // items it held in the Deleted view, brought back
    // "kits.syx: patch 3 damaged, skipped: record 5 (...): checksum 16, should be 0E",
    // "x.td7: Not a TD7 setup file...", "kits/old: folder not read, skipped (...)": one
    // line each.
    std::vector<std::string> Problems;
    bool Cancelled = false;
};

struct TInfo {
    std::filesystem::path File;
    std::uintmax_t Bytes = 0;  // the file with its write-ahead log
    int Kits = 0;
    int Instruments = 0;
    int Systems = 0;
    int Lists = 0;
};

// The tags field split into tags (at blanks and commas), and joined again ("funk, gig").
std::vector<std::string> SplitTags(const std::string& tags);
// The field with the tags added that it lacks (any case counts as the same tag), or with
// the given tags removed.
std::string WithTags(const std::string& tags, std::span<const std::string> added);
std::string WithoutTags(const std::string& tags, std::span<const std::string> removed);

// "30 kits, 1 instrument set, 0 system blocks, 2 lists"
std::string InfoSummary(const TInfo& info);

// What could still be read from a damaged library, as a library of its own.
struct TRescue {
    std::filesystem::path File;
    TInfo Info;    // what it holds
    int Lost = 0;  // rows that could not be read
};

// "Imported 2 files: 3 new, 1 already in the library, 1 back from the Deleted view" (the
// last part only when there are such), "Import cancelled after 2 files: ...".
std::string ImportSummary(const TImportReport& report);

// Removes what a backup or restore killed part-way left beside `file`: "FILE<marker>PID" (and
// its journals) of a process that is no longer running.
void RemoveStaleCopies(const std::filesystem::path& file, const std::string& marker);

// Told before each file of an import; returning false cancels before that file.
using ImportProgress = std::function<bool(const std::filesystem::path& file, int done, int total)>;

class TLibrary {
  public:
    struct TOptions {
        // How long a write waits for another program's write to finish.
        std::chrono::milliseconds BusyTimeout{5000};
        // The clock that dates first sightings and the module's sources.
        std::function<std::chrono::system_clock::time_point()> Now = [] {
            return std::chrono::system_clock::now();
        };
        // Whether a missing file becomes a new library (with any missing folders above it),
        // or is refused: what only reads never makes a library.
        bool Create = true;
        // Reads without ever writing, for a library whose file or folder cannot be written;
        // every change then fails with SQLite's "attempt to write a readonly database".
        bool ReadOnly = false;
    };

    // Opens or creates the file, marks it as Tamboro's and brings its schema up to date;
    // removes the copies that a backup or restore killed part-way left beside it.
    // LibraryError "The library could not be opened: FILE: ..." for a damaged or locked
    // file, another program's file, one of a newer or unknown schema, or one that cannot
    // be written; a refused file is left as it was. Every later SQLite failure raises
    // "The library FILE could not be used: ...".
    explicit TLibrary(const std::filesystem::path& file);
    TLibrary(const std::filesystem::path& file, TOptions options);
    ~TLibrary();
    TLibrary(const TLibrary&) = delete;
    TLibrary& operator=(const TLibrary&) = delete;

    const std::filesystem::path& File() const { return m_file; }

    // Files and folders (recursively, .td7 and .syx); each file in one transaction. An item
    // of the Deleted view imported again comes back.
    TImportReport Import(std::span<const std::filesystem::path> paths,
                         const ImportProgress& progress = {});

    // Adds one item (raw bytes of its kind; normalised here) with its source; one in the
    // Deleted view comes back. Returns the item and whether it is new.
    std::pair<ItemId, bool> Add(TKind kind, std::span<const std::uint8_t> bytes,
                                const std::string& origin, int slot, const std::string& name = {});
    // Several items from one source at once (one transaction): what a request brought.
    struct TPiece {
        TKind Kind;
        int Slot;
        library::Bytes Data;
    };
    int AddAll(std::span<const TPiece> pieces, const std::string& origin);

    int Count(const TFilter& filter);
    // Ordered by name (then by ID); `limit` < 0 for all.
    std::vector<TItem> Find(const TFilter& filter, int limit = -1, int offset = 0);
    std::optional<TItem> Item(ItemId id);
    Bytes ItemBytes(ItemId id);
    std::vector<TSource> Sources(ItemId id);

    void SetFavourite(ItemId id, bool favourite);
    // The same tags and note for every item, in one transaction.
    void SetTagsAndNote(std::span<const ItemId> ids, const std::string& tags,
                        const std::string& note);
    // Every tag in the library that begins with `prefix` (any case), sorted: what the tag
    // field offers as the user types.
    std::vector<std::string> TagsStartingWith(const std::string& prefix, int limit = 20);

    // Moves the items to the Deleted view (one transaction). Their sources stay, and so do
    // their positions in lists, which show empty until the kit is restored.
    void Delete(std::span<const ItemId> ids);
    // Brings items back from the Deleted view.
    void Restore(std::span<const ItemId> ids);
    // Forgets items of the Deleted view for good (with their sources and list positions);
    // never touches files. Items not in the Deleted view are left alone.
    void Purge(std::span<const ItemId> ids);
    // Empties the Deleted view: its items and its lists are removed for good.
    int EmptyDeleted();
    // The names of the lists that hold any of the items.
    std::vector<std::string> ListsHolding(std::span<const ItemId> ids);

    // A list of kits: 32 positions, each a kit or kEmptyPlace; `kits` gives the first ones.
    ItemId CreateList(const std::string& name, std::span<const ItemId> kits);
    // Sets the positions from the first on (the others become empty). A kit in the Deleted
    // view keeps its position where `kits` leaves it empty.
    void SetListKits(ItemId list, std::span<const ItemId> kits);
    // Every position, deleted kits included (as they are stored: what an undo restores).
    TPositions ListPositions(ItemId list);
    void SetListPositions(ItemId list, const TPositions& positions);
    // Position from 0. LibraryError for a position outside 1..32 (as the user counts), or a
    // kit in the Deleted view.
    void PutInList(ItemId list, int position, ItemId kit);
    void ClearPosition(ItemId list, int position);
    // The kit goes to `to`; what was there goes to `from` (an empty position stays empty).
    void SwapPositions(ItemId list, int from, int to);
    // The kit goes to `to`, which must be empty; `from` becomes empty.
    void MovePosition(ItemId list, int from, int to);
    void RenameList(ItemId list, const std::string& name);
    ItemId DuplicateList(ItemId list, const std::string& name);
    // Which positions (from 0) differ from the module's patches: a kit whose slot holds
    // another patch or none. An empty position differs from nothing (loading leaves it).
    // Patches as the module sends them, any slot and device ID; nullopt: slot not present.
    std::vector<int> CompareList(ItemId list,
                                 std::span<const std::optional<Bytes>> patches);
    std::vector<TList> Lists(bool deleted = false);
    std::optional<TList> FindList(const std::string& name);
    std::optional<TList> List(ItemId list);
    // Position k of the list (slot k + 1 of its setup); nothing where the position is empty
    // or its kit is in the Deleted view. Ends with the last kit.
    std::vector<std::optional<TItem>> ListKits(ItemId list);
    // To the Deleted view (its name is free again); Restore brings it back under its name,
    // or LibraryError when a list of that name was made meanwhile.
    void DeleteList(ItemId list);
    void RestoreList(ItemId list);
    // Removes a list for good.
    void PurgeList(ItemId list);
    // The list as a setup file: each kit in the slot of its position, the other slots
    // empty, no instruments and no system block.
    Bytes ListSetupImage(ItemId list);

    // The kit's other states, newest first: the same slot and name seen in the module over
    // time, then other kits of the same name.
    std::vector<TVersion> Versions(ItemId kit);

    // Each item as a .syx file in `folder` (made when missing), named after the item and
    // its first source ("Funk1 - gig.syx"), no name twice and no file overwritten.
    TExportReport ExportItems(std::span<const ItemId> ids, const std::filesystem::path& folder);
    // The IDs of every item the filter finds.
    std::vector<ItemId> FindIds(const TFilter& filter);

    // A consistent copy of the library as it is now, while others may write to it: written
    // beside `target` and renamed onto it, so an interrupted backup leaves the old file (and
    // its part, which the next backup to `target` removes).
    void Backup(const std::filesystem::path& target);
    // Replaces the library's content with that of a backup (brought up to this schema
    // first), in one step that other programs with the library open see at their next read.
    // LibraryError when the file is no sound Tamboro library; the library stays as it was.
    void RestoreFrom(const std::filesystem::path& backup);
    // "ok", or what SQLite's integrity check found.
    std::string IntegrityCheck();
    // Every row of the damaged library that can still be read (its items with their bytes,
    // sources, tags and notes, its lists), copied into a new library at `target`, which is
    // written over. SQLite reads past a damaged page: only the rows on it are lost.
    // LibraryError when nothing could be written.
    static TRescue Rescue(const std::filesystem::path& damaged, const std::filesystem::path& target);
    // Counts every change, by any program: what the automatic backup compares.
    std::int64_t ChangeCount();
    // Changes whenever another program (or another connection) changed the file since the
    // last look: what a window that shows the library compares.
    std::int64_t DataVersion();

    TInfo Info();

    // "2026-12-07" from the library's clock, for the module's sources.
    std::string Today() const;

  private:
    struct TStatements;
    // What the file's header and tables say before anything is written.
    struct TFileState {
        int Owner = 0;        // application ID
        int Version = 0;      // schema version
        bool Empty = true;    // no table at all: a new file
        bool Schema = false;  // the tables of Tamboro's first library
    };
    void OpenReadOnly();
    int PragmaValue(const char* name);
    TFileState FileState();
    void Migrate();
    // What an item added was to the library: new, held already, or held in the Deleted view
    // (and brought back: what comes in again is wanted again).
    enum class TAdded { New, Known, Restored };
    std::pair<ItemId, TAdded> AddInTransaction(TKind kind, std::span<const std::uint8_t> normal,
                                             const std::string& origin, int slot,
                                             const std::string& name, const std::string& now);
    void RefreshSearch(ItemId id);
    void ImportFile(const std::filesystem::path& file, TImportReport& report);
    std::string NowText() const;

    std::filesystem::path m_file;
    TOptions m_options;
    std::unique_ptr<TDatabase> m_db;
    std::unique_ptr<TStatements> m_sql;
};

}  // namespace library
