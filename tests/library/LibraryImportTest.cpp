#include <sys/resource.h>

#include <algorithm>
#include <cctype>
#include <csignal>
#include <sstream>
#include <string_view>

#include "cli/Dispatcher.h"
#include "library/FileScan.h"
#include "tests/library/LibraryFixture.h"

namespace librarytest {

namespace {

using library::TFilter;
using library::TKind;

std::string Name(const Td7Module& module, int p) {
    const auto data = module.Data(Td7Module::CommonBlock(p));
    std::string name;
    for (int k = 2; k < 8; ++k) {
        const char c = static_cast<char>(data[static_cast<std::size_t>(k)]);
        name.push_back(c < 0x20 || c > 0x7E ? '?' : c);
    }
    return name;
}

struct TCli {
    int Code;
    std::string Out;
    std::string Err;
};

TCli Cli(std::vector<std::string> args) {
    std::ostringstream out;
    std::ostringstream err;
    const int code = cli::Run(args, out, err);
    return {code, out.str(), err.str()};
}

}  // namespace

TEST_F(LibraryTest, TheSameKitFromAnotherSlotOrDeviceIdIsOneItemWithTwoSources) {
    Td7Module module;
    module.LoadRandom(1);
    const fs::path memory = MemoryDump("memory.syx", module);
    // Patch 5 of that module, sent by a module with device ID 0x05 from its slot 10.
    Td7Module other(0x05);
    CopyPatch(module, 4, other, 9);
    const fs::path single = Write("single.syx", Kit(other, 9));
    const fs::path setup = Write("gig.td7", Setup(module, {4}));

    library::TLibrary lib(file(), Options());
    const std::vector<fs::path> paths = {memory, single, setup};
    const auto report = lib.Import(paths);
    EXPECT_TRUE(report.Problems.empty());
    EXPECT_EQ(report.Files, 3);
    EXPECT_EQ(report.Added, 34);  // 32 kits, the instruments, the system block
    EXPECT_EQ(report.Known, 2);
    EXPECT_EQ(lib.Count({.Kind = TKind::Kit}), 32);

    TFilter byName;
    byName.Search = Name(module, 4);
    const auto found = lib.Find(byName);
    ASSERT_FALSE(found.empty());
    const auto kit = std::find_if(found.begin(), found.end(),
                                  [&](const auto& item) { return item.Name == Name(module, 4); });
    ASSERT_NE(kit, found.end());
    EXPECT_EQ(kit->Sources, 3);
    const auto sources = lib.Sources(kit->Id);
    ASSERT_EQ(sources.size(), 3u);
    EXPECT_EQ(sources[0].Origin, memory.string());
    EXPECT_EQ(sources[0].Slot, 5);
    EXPECT_EQ(sources[1].Origin, single.string());
    EXPECT_EQ(sources[1].Slot, 0);
    EXPECT_EQ(sources[2].Slot, 5);
    // Stored as slot 1 of a factory-ID module would send it.
    Td7Module normal;
    CopyPatch(module, 4, normal, 0);
    EXPECT_EQ(lib.ItemBytes(kit->Id), Kit(normal, 0));

    // Again: nothing new, not even a source.
    const auto again = lib.Import(paths);
    EXPECT_EQ(again.Added, 0);
    EXPECT_EQ(again.Known, 36);
    EXPECT_EQ(lib.Sources(kit->Id).size(), 3u);
    const auto info = lib.Info();
    EXPECT_EQ(info.Kits, 32);
    EXPECT_EQ(info.Instruments, 1);
    EXPECT_EQ(info.Systems, 1);
}

TEST_F(LibraryTest, DamagedPartsAreNamedPerFileAndTheSoundOnesComeIn) {
    Td7Module module;
    module.LoadRandom(2);
    Bytes memory = Read(MemoryDump("whole.syx", module));
    fs::remove(dir / "whole.syx");
    // Patch 3: a note-map entry's checksum; patch 5: a trigger record one byte short.
    const std::size_t patch3 = 34 + 2 * 1575;
    memory[patch3 + 58 + 18 * 22 + 10 * 19 - 2] ^= 0x01;
    const std::size_t patch5 = 34 + 4 * 1575;
    memory.erase(memory.begin() + static_cast<std::ptrdiff_t>(patch5 + 58 + 3 * 22 + 12));
    Write("kits.syx", memory);
    // A patch file saved from slot 3 whose only patch is damaged.
    Bytes single = Kit(module, 2);
    single[20] ^= 0x01;
    Write("one.syx", single);
    Bytes setup = Setup(module, {1, 6});
    setup[10 + 1 + 1 + 30] ^= 0x02;  // slot 2's common record
    Write("gig.td7", setup);
    Write("bad.td7", Bytes{'T', 'D', '7', 'S', 'e', 't', 'u', 'p', '0', '9'});
    Write("noise.syx", Bytes(100, 0x42));
    Write("readme.txt", Bytes(5, 'x'));

    library::TLibrary lib(file(), Options());
    const std::vector<fs::path> paths = {dir};
    const auto report = lib.Import(paths);
    const std::string at = dir.string() + "/";
    // Each problem as it begins; a checksum fault then ends in ": checksum XX, should be YY".
    const std::string checksum = "checksum";
    const std::vector<std::string> expected = {
        at + "bad.td7: Not a TD7 setup file...",
        at + "gig.td7: patch 2 damaged, skipped: record 1 (common)" + checksum,
        at + "kits.syx: patch 3 damaged, skipped: record 29 (note 44 G#2)" + checksum,
        at + "kits.syx: patch 5 damaged, skipped: records missing, cut short or out of order",
        at + "noise.syx: Holds no TD-7 patch, instruments or system data",
        at + "one.syx: patch (saved from slot 3) damaged, skipped: record 1 (common)" + checksum};
    const auto hex = [](std::string_view t) {
        return t.size() == 2 && std::isxdigit(static_cast<unsigned char>(t[0])) &&
               std::isxdigit(static_cast<unsigned char>(t[1]));
    };
    const auto matches = [&](const std::string& problem, std::string want) {
        if (!want.ends_with(checksum)) return problem.starts_with(want);
        want.resize(want.size() - checksum.size());
        const std::string_view rest = std::string_view(problem).substr(
            std::min(problem.size(), want.size()));
        return problem.starts_with(want) && rest.size() == 27 &&
               rest.starts_with(": checksum ") && hex(rest.substr(11, 2)) &&
               rest.substr(13, 12) == ", should be " && hex(rest.substr(25, 2));
    };
    ASSERT_EQ(report.Problems.size(), expected.size());
    for (std::size_t k = 0; k < expected.size(); ++k)
        EXPECT_TRUE(matches(report.Problems[k], expected[k])) << report.Problems[k];
    // Files of which something came in: gig.td7 and kits.syx, not one.syx.
    EXPECT_EQ(report.Files, 2);
    EXPECT_EQ(lib.Count({.Kind = TKind::Kit}), 30);
    EXPECT_EQ(lib.Count({.Kind = TKind::Instruments}), 1);
    EXPECT_EQ(lib.Count({.Kind = TKind::System}), 1);
}

TEST_F(LibraryTest, AFolderImportKeepsEachFilesPathAndFindsByNameTagNoteAndSource) {
    Td7Module module;
    module.LoadRandom(3);
    Write("gigs/2024/spring.td7", Setup(module, {0, 2}));
    Write("trades/from-anna/funk.syx", Kit(module, 7));
    Td7Module other;
    other.LoadRandom(4);
    Write("trades/jazz.syx", Kit(other, 1));

    library::TLibrary lib(file(), Options());
    std::vector<int> seen;
    const std::vector<fs::path> paths = {dir / "gigs", dir / "trades"};
    lib.Import(paths, [&](const fs::path&, int done, int total) {
        seen.push_back(done * 10 + total);
        return true;
    });
    EXPECT_EQ(seen, (std::vector<int>{3, 13, 23, 33}));
    ASSERT_EQ(lib.Count({}), 4);

    auto only = [&](const std::string& search) {
        TFilter filter;
        filter.Search = search;
        const auto items = lib.Find(filter);
        return items.size() == 1 ? items.front() : library::TItem{};
    };
    const auto anna = only("from-anna");
    EXPECT_EQ(anna.Name, Name(module, 7));
    EXPECT_EQ(lib.Sources(anna.Id).front().Origin, (dir / "trades/from-anna/funk.syx").string());
    const auto spring = lib.Find({.Search = "2024/SPRING"});  // any case
    ASSERT_EQ(spring.size(), 2u);
    std::vector<int> slots;
    for (const auto& item : spring) slots.push_back(lib.Sources(item.Id).front().Slot);
    std::sort(slots.begin(), slots.end());
    EXPECT_EQ(slots, (std::vector<int>{1, 3}));

    const library::ItemId annaOnly[] = {anna.Id};
    lib.SetTagsAndNote(annaOnly, "funk dry", "the one from the spring rehearsal");
    lib.SetFavourite(anna.Id, true);
    EXPECT_EQ(only("rehearsal").Id, anna.Id);
    EXPECT_EQ(only("dry funk").Id, anna.Id);  // every word, in any order
    EXPECT_EQ(lib.Find({.FavouritesOnly = true}).size(), 1u);
    EXPECT_EQ(lib.Count({.Search = "zz%"}), 0);  // LIKE's wildcards are plain characters

    // Tags and a note for several items at once; letters beyond ASCII, two of them too.
    const auto jazz = only("jazz");
    const library::ItemId both[] = {jazz.Id, spring.front().Id};
    lib.SetTagsAndNote(both, "Übung", "für Jörg");
    EXPECT_EQ(lib.Count({.Search = "Üb"}), 2);
    EXPECT_EQ(lib.Count({.Search = "Jö für"}), 2);
    EXPECT_EQ(lib.Item(jazz.Id)->Note, "für Jörg");
    EXPECT_EQ(lib.Item(spring.front().Id)->Tags, "Übung");
    // However many words: each must be there, none makes the query fail.
    std::string words;
    for (int k = 0; k < 999; ++k) words += std::to_string(k % 100) + (k % 3 == 0 ? "x " : " ");
    EXPECT_EQ(lib.Count({.Search = words}), 0);
    EXPECT_EQ(lib.Count({.Search = std::string(500, ' ') + "Üb Üb Üb"}), 2);

    lib.Delete(annaOnly);
    EXPECT_EQ(lib.Count({.Search = "rehearsal"}), 0);
    EXPECT_TRUE(fs::exists(dir / "trades/from-anna/funk.syx"));
}

TEST_F(LibraryTest, AListSavedAsASetupIsTheSetupBuiltByHand) {
    Td7Module module;
    module.LoadRandom(5);
    library::TLibrary lib(file(), Options());
    const std::vector<fs::path> paths = {MemoryDump("memory.syx", module)};
    lib.Import(paths);
    // Kits of slots 9, 2 and 30, in that order, make patches 1..3.
    std::vector<library::ItemId> kits;
    for (int p : {8, 1, 29}) {
        const auto items = lib.Find({.Search = Name(module, p), .Kind = TKind::Kit});
        ASSERT_FALSE(items.empty());
        kits.push_back(items.front().Id);
    }
    const auto list = lib.CreateList("Sunday", kits);
    EXPECT_THROW(lib.CreateList("Sunday", kits), library::LibraryError);
    const std::vector<library::ItemId> tooMany(33, kits.front());
    EXPECT_THROW(lib.SetListKits(list, tooMany), library::LibraryError);

    Td7Module bank;
    CopyPatch(module, 8, bank, 0);
    CopyPatch(module, 1, bank, 1);
    CopyPatch(module, 29, bank, 2);
    EXPECT_EQ(lib.ListSetupImage(list), Setup(bank, {0, 1, 2}));

    // Reordered, and written by the command line.
    const std::vector<library::ItemId> reordered = {kits[2], kits[0]};
    lib.SetListKits(list, reordered);
    const auto written = dir / "bank.td7";
    const auto result = Cli(
        {"library", "--file", file().string(), "export", "list:Sunday", "-o", written.string()});
    EXPECT_EQ(result.Code, 0) << result.Err;
    Td7Module second;
    CopyPatch(module, 29, second, 0);
    CopyPatch(module, 8, second, 1);
    EXPECT_EQ(Read(written), Setup(second, {0, 1}));

    // A deleted kit leaves its place empty: the kits after it keep their slots.
    lib.SetListKits(list, kits);
    const auto monday = lib.CreateList("Monday", std::vector<library::ItemId>{kits[1]});
    lib.CreateList("Tuesday", std::vector<library::ItemId>{kits[0]});
    const library::ItemId gone[] = {kits[1]};
    EXPECT_EQ(lib.ListsHolding(gone), (std::vector<std::string>{"Monday", "Sunday"}));
    lib.Delete(gone);
    const auto places = lib.ListKits(list);
    ASSERT_EQ(places.size(), 3u);
    EXPECT_FALSE(places[1].has_value());
    EXPECT_EQ(places[2]->Id, kits[2]);
    EXPECT_TRUE(lib.ListKits(monday).empty());
    Td7Module gap;
    CopyPatch(module, 8, gap, 0);
    CopyPatch(module, 29, gap, 2);
    EXPECT_EQ(lib.ListSetupImage(list), Setup(gap, {0, 2}));
    // The places as the window hands them back after a drag keep the gap.
    const library::ItemId dragged[] = {kits[2], library::kEmptyPlace, kits[0]};
    lib.SetListKits(list, dragged);
    EXPECT_FALSE(lib.ListKits(list)[1].has_value());
    EXPECT_EQ(lib.ListKits(list)[2]->Id, kits[0]);
}

TEST_F(LibraryTest, TheCommandLineImportsListsExportsAndTells) {
    Td7Module module;
    module.LoadRandom(6);
    const std::string lib = file().string();
    Bytes memory = Read(MemoryDump("memory.syx", module));
    memory[34 + 1575 * 2 + 30] ^= 0x01;  // patch 3
    Write("memory.syx", memory);

    const auto imported = Cli({"library", "import", (dir / "memory.syx").string(), "--file", lib});
    EXPECT_EQ(imported.Code, 1);
    EXPECT_NE(
        imported.Err.find("memory.syx: patch 3 damaged, skipped: record 1 (common): checksum "),
        std::string::npos)
        << imported.Err;
    EXPECT_NE(imported.Err.find("Imported 1 file: 33 new, 0 already in the library\n"),
              std::string::npos);

    const auto listed = Cli({"library", "--file", lib, "list", "--kind", "kit"});
    EXPECT_EQ(listed.Code, 0);
    EXPECT_EQ(std::count(listed.Out.begin(), listed.Out.end(), '\n'), 31);
    const auto search = Cli({"library", "--file", lib, "list", "--search", Name(module, 6)});
    ASSERT_FALSE(search.Out.empty());
    const std::string id = search.Out.substr(0, search.Out.find('\t'));
    EXPECT_NE(search.Out.find("\tkit\t" + Name(module, 6) + "\n"), std::string::npos);

    const auto patch = dir / "out.syx";
    EXPECT_EQ(Cli({"library", "--file", lib, "export", id, "-o", patch.string()}).Code, 0);
    Td7Module normal;
    CopyPatch(module, 6, normal, 0);
    EXPECT_EQ(Read(patch), Kit(normal, 0));

    const auto info = Cli({"library", "--file", lib, "info"});
    EXPECT_EQ(info.Code, 0);
    EXPECT_NE(info.Out.find("Kits: 31\nInstrument sets: 1\nSystem blocks: 1\nLists: 0\n"),
              std::string::npos);
    EXPECT_EQ(Cli({"library", "--file", lib, "export", "999", "-o", patch.string()}).Code, 1);
    EXPECT_EQ(Cli({"library", "--file", lib, "list", "--kind", "drums"}).Code, 2);
    EXPECT_EQ(Cli({"library", "--file", lib, "import"}).Code, 2);
    EXPECT_EQ(Cli({"library", "--file", lib}).Code, 2);

    // The disk fills up during an import: it says which files came in before.
    for (int f = 0; f < 8; ++f) {
        Td7Module other;
        other.LoadRandom(static_cast<std::uint32_t>(60 + f));
        MemoryDump("full/" + std::to_string(f) + ".syx", other);
    }
    std::error_code error;
    const auto size = fs::file_size(lib, error) + fs::file_size(lib + "-wal", error);
    rlimit old{};
    ::getrlimit(RLIMIT_FSIZE, &old);
    const auto oldSignal = std::signal(SIGXFSZ, SIG_IGN);
    rlimit full = old;
    full.rlim_cur = size + 200000;
    ::setrlimit(RLIMIT_FSIZE, &full);
    const auto stopped = Cli({"library", "--file", lib, "import", (dir / "full").string()});
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldSignal);
    EXPECT_EQ(stopped.Code, 1);
    EXPECT_NE(stopped.Err.find("\nImport stopped at " + (dir / "full").string()),
              std::string::npos)
        << stopped.Err;
    EXPECT_NE(stopped.Err.find(" before it came in: "), std::string::npos) << stopped.Err;
    EXPECT_EQ(TOtherProgram(file()).Text("PRAGMA integrity_check"), "ok\n");
}

}  // namespace librarytest
