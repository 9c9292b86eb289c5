#include <algorithm>

#include "library/Edits.h"
#include "tests/library/LibraryFixture.h"

namespace librarytest {

namespace {

using library::ItemId;
using library::kEmptyPlace;
using library::TFilter;
using library::TKind;

// The module's 32 kits in the library, by the slot each came from.
std::vector<ItemId> ImportKits(library::TLibrary& lib, const fs::path& dump) {
    const std::vector<fs::path> paths = {dump};
    lib.Import(paths);
    std::vector<ItemId> kits(32, kEmptyPlace);
    for (const auto& item : lib.Find({.Kind = TKind::Kit}))
        kits[static_cast<std::size_t>(lib.Sources(item.Id).front().Slot - 1)] = item.Id;
    return kits;
}

std::vector<ItemId> Shown(library::TLibrary& lib, ItemId list) {
    std::vector<ItemId> ids;
    for (const auto& kit : lib.ListKits(list)) ids.push_back(kit ? kit->Id : kEmptyPlace);
    return ids;
}

std::string UndoError(library::TEdits& edits) {
    try {
        edits.Undo();
    } catch (const library::LibraryError& error) {
        return error.what();
    }
    return "undone";
}

}  // namespace

TEST_F(LibraryTest, AListsPositionsArePutClearedMovedSwappedAndComparedWithTheModule) {
    Td7Module module;
    module.LoadRandom(21);
    library::TLibrary lib(file(), Options());
    const auto kits = ImportKits(lib, MemoryDump("memory.syx", module));
    const ItemId list = lib.CreateList("Friday", {});
    lib.PutInList(list, 0, kits[4]);
    lib.PutInList(list, 31, kits[7]);
    lib.PutInList(list, 5, kits[9]);
    EXPECT_THROW(lib.PutInList(list, 32, kits[1]), library::LibraryError);
    lib.SwapPositions(list, 0, 5);
    lib.MovePosition(list, 31, 2);
    EXPECT_THROW(lib.MovePosition(list, 2, 0), library::LibraryError);
    lib.ClearPosition(list, 5);
    EXPECT_EQ(Shown(lib, list), (std::vector<ItemId>{kits[9], 0, kits[7]}));
    EXPECT_EQ(lib.FindList("Friday")->Kits, 2);

    const ItemId copy = lib.DuplicateList(list, "Saturday");
    lib.RenameList(list, "Gig");
    EXPECT_THROW(lib.RenameList(copy, "Gig"), library::LibraryError);
    EXPECT_EQ(Shown(lib, copy), Shown(lib, list));
    EXPECT_FALSE(lib.FindList("Friday"));

    // The module as it is: slot 1 holds kit 10's patch (sent from slot 10 with another
    // device ID), slot 3 holds another patch; empty positions differ from nothing.
    std::vector<std::optional<library::Bytes>> patches(32);
    Td7Module other(0x03);
    CopyPatch(module, 9, other, 0);
    patches[0] = Kit(other, 0);
    patches[2] = Kit(module, 3);
    EXPECT_EQ(lib.CompareList(list, patches), (std::vector<int>{2}));
    patches[2].reset();
    EXPECT_EQ(lib.CompareList(list, patches), (std::vector<int>{2}));
    patches[2] = Kit(module, 7);
    EXPECT_TRUE(lib.CompareList(list, patches).empty());
}

TEST_F(LibraryTest, DeletedKitsAndListsWaitInTheDeletedViewAndComeBackToTheirPositions) {
    Td7Module module;
    module.LoadRandom(22);
    library::TLibrary lib(file(), Options());
    const auto kits = ImportKits(lib, MemoryDump("memory.syx", module));
    const ItemId list = lib.CreateList("Sunday", std::vector<ItemId>{kits[0], kits[1], kits[2]});
    const ItemId gone[] = {kits[1]};
    lib.Delete(gone);
    EXPECT_EQ(Shown(lib, list), (std::vector<ItemId>{kits[0], 0, kits[2]}));
    EXPECT_EQ(lib.Count({.Kind = TKind::Kit}), 31);
    EXPECT_EQ(lib.Find({.Deleted = true}).front().Id, kits[1]);
    // The window hands back what it shows; the deleted kit's position is kept for it.
    EXPECT_THROW(lib.PutInList(list, 5, kits[1]), library::LibraryError) << "deleted meanwhile";
    const ItemId shown[] = {kits[2], kEmptyPlace, kits[0]};
    lib.SetListKits(list, shown);
    lib.Restore(gone);
    EXPECT_EQ(Shown(lib, list), (std::vector<ItemId>{kits[2], kits[1], kits[0]}));

    // A deleted list frees its name; restoring it needs the name free again.
    lib.DeleteList(list);
    EXPECT_FALSE(lib.FindList("Sunday"));
    EXPECT_EQ(lib.Lists(true).front().Name, "Sunday");
    const ItemId second = lib.CreateList("Sunday", {});
    EXPECT_THROW(lib.RestoreList(list), library::LibraryError);
    lib.RenameList(second, "Sunday 2");
    lib.RestoreList(list);
    EXPECT_EQ(Shown(lib, list), (std::vector<ItemId>{kits[2], kits[1], kits[0]}));

    // Emptying removes for good: the kit's position stays empty, the other list is gone.
    lib.Delete(gone);
    lib.DeleteList(second);
    EXPECT_EQ(lib.EmptyDeleted(), 2);
    EXPECT_FALSE(lib.Item(kits[1]));
    EXPECT_FALSE(lib.List(second));
    lib.Restore(gone);
    EXPECT_EQ(Shown(lib, list), (std::vector<ItemId>{kits[2], 0, kits[0]}));
}

TEST_F(LibraryTest, AnOldLibraryOpensWithItsListsAndTakesTheNewEdits) {
    Td7Module module;
    module.LoadRandom(23);
    // The tables and marks of Tamboro's first library, with one kit in a list at position 6.
    {
        TOtherProgram old(file());
        ASSERT_EQ(old.Run(R"(
            CREATE TABLE items(id INTEGER PRIMARY KEY, hash TEXT NOT NULL UNIQUE,
                kind INTEGER NOT NULL, name TEXT NOT NULL, favourite INTEGER NOT NULL DEFAULT 0,
                tags TEXT NOT NULL DEFAULT '', note TEXT NOT NULL DEFAULT '',
                first_seen TEXT NOT NULL, source_count INTEGER NOT NULL DEFAULT 0);
            CREATE INDEX items_by_name ON items(name COLLATE NOCASE, id);
            CREATE TABLE item_bytes(item_id INTEGER PRIMARY KEY REFERENCES items(id)
                ON DELETE CASCADE, bytes BLOB NOT NULL);
            CREATE TABLE sources(id INTEGER PRIMARY KEY, item_id INTEGER NOT NULL
                REFERENCES items(id) ON DELETE CASCADE, origin TEXT NOT NULL,
                slot INTEGER NOT NULL, seen TEXT NOT NULL, UNIQUE(item_id, origin, slot));
            CREATE TABLE lists(id INTEGER PRIMARY KEY, name TEXT NOT NULL UNIQUE);
            CREATE TABLE list_kits(list_id INTEGER NOT NULL REFERENCES lists(id)
                ON DELETE CASCADE, position INTEGER NOT NULL, item_id INTEGER NOT NULL
                REFERENCES items(id) ON DELETE CASCADE, PRIMARY KEY(list_id, position));
            CREATE VIRTUAL TABLE item_search USING fts5(text, tokenize = 'trigram');
            INSERT INTO items(id, hash, kind, name, first_seen) VALUES(7, 'x', 0, 'OldKit',
                '2025-01-01 10:00');
            INSERT INTO item_search(rowid, text) VALUES(7, 'OldKit');
            INSERT INTO lists(id, name) VALUES(3, 'Friday');
            INSERT INTO list_kits VALUES(3, 5, 7);
            PRAGMA user_version = 1; PRAGMA application_id = 1413756748;)"),
                  SQLITE_OK);
        auto bytes = library::Normalise(TKind::Kit, Kit(module, 0));
        sqlite3_stmt* insert = nullptr;
        sqlite3* db = nullptr;
        sqlite3_open(file().c_str(), &db);
        sqlite3_prepare_v2(db, "INSERT INTO item_bytes VALUES(7, ?)", -1, &insert, nullptr);
        sqlite3_bind_blob(insert, 1, bytes.data(), static_cast<int>(bytes.size()), nullptr);
        ASSERT_EQ(sqlite3_step(insert), SQLITE_DONE);
        sqlite3_finalize(insert);
        sqlite3_close(db);
    }
    library::TLibrary lib(file(), Options());
    const auto friday = lib.FindList("Friday");
    ASSERT_TRUE(friday);
    EXPECT_EQ(lib.ListPositions(friday->Id)[5], 7);
    EXPECT_EQ(lib.Count({.Search = "oldkit"}), 1);
    const ItemId kit[] = {7};
    lib.Delete(kit);
    lib.DeleteList(friday->Id);
    lib.CreateList("Friday", kit);
    EXPECT_EQ(lib.Lists(true).size(), 1u);
    EXPECT_EQ(TOtherProgram(file()).Text("PRAGMA user_version"),
              std::to_string(library::kSchemaVersion) + "\n");
}

TEST_F(LibraryTest, EveryEditOfTheWindowIsUndoneAndRedoneEvenWhenAnotherProgramChangedTheLibrary) {
    Td7Module module;
    module.LoadRandom(24);
    library::TLibrary lib(file(), Options());
    const auto kits = ImportKits(lib, MemoryDump("memory.syx", module));
    library::TEdits edits(lib);
    const ItemId two[] = {kits[0], kits[1]};
    edits.SetTagsAndNote(std::vector<ItemId>{kits[0]}, "funk", "old");
    edits.SetTagsAndNote(two, "gig", "new");
    edits.SetFavourite(std::vector<ItemId>{kits[1]}, true);
    const ItemId list = edits.CreateList("Friday", two);
    edits.SwapPositions(list, 0, 1);
    edits.PutInList(list, 9, kits[5]);
    edits.RenameList(list, "Gig");
    edits.Delete(two);
    EXPECT_EQ(edits.UndoText(), "Delete 2 items");
    EXPECT_EQ(Shown(lib, list).size(), 10u);
    EXPECT_EQ(Shown(lib, list)[9], kits[5]);
    EXPECT_EQ(Shown(lib, list)[0], kEmptyPlace);

    for (int k = 0; k < 7; ++k) edits.Undo();
    // Back to the tags of the first edit, each kit its own.
    EXPECT_EQ(lib.Item(kits[0])->Tags, "funk");
    EXPECT_EQ(lib.Item(kits[0])->Note, "old");
    EXPECT_EQ(lib.Item(kits[1])->Tags, "");
    EXPECT_FALSE(lib.Item(kits[1])->Favourite);
    EXPECT_FALSE(lib.List(list)->Deleted.empty());
    EXPECT_EQ(edits.RedoText(), "Tags and note of 2 items");
    for (int k = 0; k < 7; ++k) edits.Redo();
    EXPECT_FALSE(edits.CanRedo());
    EXPECT_EQ(lib.FindList("Gig")->Kits, 1);
    EXPECT_EQ(lib.ListPositions(list)[0], kits[1]);
    EXPECT_EQ(lib.Count({.Deleted = true}), 2);

    // Another program (a second window on the same file) empties the Deleted view: the
    // undo of the delete says so, and nothing changes.
    {
        library::TLibrary second(file(), Options());
        second.EmptyDeleted();
    }
    EXPECT_EQ(UndoError(edits),
              "Cannot undo Delete 2 items: the kit was removed from the library meanwhile (by "
              "another program or window)");
    EXPECT_EQ(edits.UndoText(), "Rename list Friday");
    edits.Undo();
    EXPECT_EQ(lib.List(list)->Name, "Friday");
    // Two windows on one list: the second one's change stands, the first one's undo says so.
    library::TLibrary second(file(), Options());
    library::TEdits other(second);
    edits.PutInList(list, 20, kits[7]);
    other.ClearPosition(list, 9);
    EXPECT_EQ(UndoError(edits),
              "Cannot undo Put kit at position 21: the list was changed meanwhile (by another "
              "program or window)");
    EXPECT_EQ(lib.ListPositions(list)[20], kits[7]);
    other.Undo();
    EXPECT_EQ(lib.ListPositions(list)[9], kits[5]);
    // A new edit ends what could be redone.
    edits.SetFavourite(std::vector<ItemId>{kits[3]}, true);
    EXPECT_FALSE(edits.CanRedo());
}

TEST_F(LibraryTest, VersionsOfAKitAreItsSlotSeenOverTimeAndKitsOfItsName) {
    Td7Module module;
    module.LoadRandom(25);
    library::TLibrary lib(file(), Options());
    // The module's slot 4 seen on three days with the kit changed each time (same name),
    // and a kit of that name from a file.
    std::vector<ItemId> seen;
    for (int day = 0; day < 3; ++day) {
        Td7Module changed;
        CopyPatch(module, 3, changed, 3);
        changed.Data(Td7Module::TriggerBlock(3, 0))[3] = static_cast<std::uint8_t>(day + 1);
        const std::string origin = "TD-7 (device ID 17) 2026-01-0" + std::to_string(day + 1);
        seen.push_back(lib.Add(TKind::Kit, Kit(changed, 3), origin, 4).first);
    }
    Td7Module other;
    CopyPatch(module, 3, other, 0);
    other.Data(Td7Module::TriggerBlock(0, 1))[3] = 9;
    const ItemId fromFile = lib.Add(TKind::Kit, Kit(other, 0), "/gigs/old.syx", 0).first;
    const auto versions = lib.Versions(seen[1]);
    ASSERT_EQ(versions.size(), 3u);
    EXPECT_TRUE(versions[0].SameSlot);
    EXPECT_EQ(versions[0].Slot, 4);
    EXPECT_TRUE(versions[1].SameSlot);
    EXPECT_FALSE(versions[2].SameSlot);
    EXPECT_EQ(versions[2].Item.Id, fromFile);
    EXPECT_GE(versions[0].Seen, versions[1].Seen);
    EXPECT_FALSE(versions[0].Seen.empty());
}

TEST_F(LibraryTest, SearchReadsFieldsPhrasesAndExclusionsAndAnswersAnyInputWithASentence) {
    Td7Module module;
    module.LoadRandom(26);
    library::TLibrary lib(file(), Options());
    const std::vector<fs::path> paths = {Write("gig/friday.td7", Setup(module, {0, 1, 2})),
                                         Write("home/rehearsal.td7", Setup(module, {3, 4}))};
    lib.Import(paths);
    const auto all = lib.Find({.Kind = TKind::Kit});
    ASSERT_EQ(all.size(), 5u);
    std::vector<ItemId> ids;
    for (const auto& item : all) ids.push_back(item.Id);
    lib.SetTagsAndNote(std::vector<ItemId>{ids[0], ids[1]}, "funk, Live", "dry snare and room");
    lib.SetTagsAndNote(std::vector<ItemId>{ids[2]}, "funky, über", "Ударные ла 鼓手");
    lib.SetTagsAndNote(std::vector<ItemId>{ids[3]}, "Дробь", "");
    lib.SetFavourite(ids[1], true);

    const auto count = [&](const std::string& search) { return lib.Count({.Search = search}); };
    EXPECT_EQ(count("tag:funk"), 2);
    EXPECT_EQ(count("tag:LIVE fav:"), 1);
    EXPECT_EQ(count("-fav: tag:funk"), 1);
    EXPECT_EQ(count("fav:no"), 4);
    EXPECT_EQ(count("fav:yes"), 1);
    EXPECT_EQ(count("-fav:no"), 1);
    EXPECT_EQ(count("tag:ÜBER"), 1);
    EXPECT_EQ(count("tag:дробь"), 1);
    EXPECT_EQ(count("kind:instrument"), 0);
    EXPECT_EQ(count("kind:kit source:gig"), 3);
    EXPECT_EQ(count("-source:gig"), 2);
    EXPECT_EQ(count("\"dry snare\""), 2);
    EXPECT_EQ(count("\"snare dry\""), 0);
    EXPECT_EQ(count("funk -funky"), 2);
    EXPECT_EQ(count("ла"), 1);
    EXPECT_EQ(count("鼓手"), 1);
    EXPECT_EQ(count("-ла -\"dry snare\""), 2);

    // Odd input: an answer or a sentence, never SQLite's words.
    std::string thousands;
    for (int k = 0; k < 33000; ++k) thousands += "w" + std::to_string(k) + " ";
    const std::vector<std::string> odd = {
        "\"",      "\"\"",     "-",         "--",         "tag:",     "source:\"",
        "NEAR(a)", "a OR b",   "*",         "x\"y",       "kind:",    "(((",
        "%_\\",    "' ; DROP", "\x01\x02",  "fav:fav:fav", "-\"\"",   std::string(5000, 'a'),
        "^ab",     "a:b:c",    "tag:\"a b", thousands,    "\xff\xfe", "-kind:kit"};
    for (const auto& search : odd) {
        try {
            lib.Count({.Search = search});
            lib.Find({.Search = search}, 10);
        } catch (const library::LibraryError& error) {
            const std::string text = error.what();
            EXPECT_EQ(text.find("SQL"), std::string::npos) << search.substr(0, 20);
            EXPECT_EQ(text.find("fts5"), std::string::npos) << search.substr(0, 20);
            EXPECT_EQ(text.find("syntax"), std::string::npos) << search.substr(0, 20);
        } catch (const std::exception& error) {
            ADD_FAILURE() << search.substr(0, 20) << ": " << error.what();
        }
    }
    EXPECT_THROW(count("kind:drums"), library::LibraryError);
    EXPECT_THROW(count("fav:maybe"), library::LibraryError);
    EXPECT_EQ(lib.TagsStartingWith("fu"), (std::vector<std::string>{"funk", "funky"}));
    EXPECT_EQ(lib.TagsStartingWith("l"), (std::vector<std::string>{"Live"}));
    EXPECT_EQ(lib.TagsStartingWith("Ü"), (std::vector<std::string>{"über"}));
    const std::string same[] = {"ÜBER", "дробь"};
    EXPECT_EQ(library::WithTags("über, Дробь", same), "über, Дробь");
}

}  // namespace librarytest
