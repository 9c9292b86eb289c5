#pragma once

// The kit library: every kit, instrument set and system block ever imported or seen on the
// module, each stored once (normalised, keyed by its hash) with its name, favourite flag,
// tags, note, when it was first seen and every source it came from; and named lists of up
// to 32 kits that become banks. One SQLite file, in WAL mode, so that two programs can use
// it at once; every import is one transaction per file.

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
inline constexpr int kSchemaVersion = 1;
// Tamboro's mark in the file's header ("TD7L"), so that no other program's file is taken.
inline constexpr int kApplicationId = 0x5444374C;
inline constexpr int kMaxListKits = 32;

using ItemId = std::int64_t;
// A place of a list without a kit (its kit was deleted).
inline constexpr ItemId kEmptyPlace = 0;

struct TItem {
    ItemId Id = 0;
    TKind Kind = TKind::Kit;
    std::string Name;
    bool Favourite = false;
    std::string Tags;
    std::string Note;
    std::string FirstSeen;  // "YYYY-MM-DD HH:MM" (UTC)
    int Sources = 0;
};

struct TSource {
    std::string Origin;  // a file's path, or "TD-7 (device ID 17)"
    int Slot = 0;        // from 1; 0: the item was the file's only one
    std::string Seen;
};

struct TFilter {
    std::string Search;  // words that name, tags, note or a source must all contain
    bool FavouritesOnly = false;
    std::optional<TKind> Kind;
};

struct TList {
    ItemId Id = 0;
    std::string Name;
    int Kits = 0;
};

struct TImportReport {
    int Files = 0;  // files of which at least one item came in
    int Added = 0;  // items new to the library
    int Known = 0;  // items it held already
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
    };

    // Opens or creates the file, marks it as Tamboro's and brings its schema up to date.
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

    // Files and folders (recursively, .td7 and .syx); each file in one transaction.
    TImportReport Import(std::span<const std::filesystem::path> paths,
                         const ImportProgress& progress = {});

    // Adds one item (raw bytes of its kind; normalised here) with its source. Returns
    // the item and whether it is new.
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
    // Forgets the items (their sources and their places in lists, which stay empty) in one
    // transaction; never touches files.
    void Delete(std::span<const ItemId> ids);
    // The names of the lists that hold any of the items.
    std::vector<std::string> ListsHolding(std::span<const ItemId> ids);

    // A list of kits: at most 32 places, each a kit or kEmptyPlace.
    ItemId CreateList(const std::string& name, std::span<const ItemId> kits);
    void SetListKits(ItemId list, std::span<const ItemId> kits);
    std::vector<TList> Lists();
    std::optional<TList> FindList(const std::string& name);
    // Place k of the list (slot k + 1 of its setup); nothing where the place is empty. Ends
    // with the last kit.
    std::vector<std::optional<TItem>> ListKits(ItemId list);
    void DeleteList(ItemId list);
    // The list as a setup file: each kit in the slot of its place, the other slots empty,
    // no instruments and no system block.
    Bytes ListSetupImage(ItemId list);

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
    int PragmaValue(const char* name);
    TFileState FileState();
    void Migrate();
    std::pair<ItemId, bool> AddInTransaction(TKind kind, std::span<const std::uint8_t> normal,
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
