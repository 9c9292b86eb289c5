// info, extract and pack on files: golden bytes from the simulator's module, round trips,
// and what info says about damaged records.
#include <cstring>
#include <filesystem>

#include "tests/cli/CliHarness.h"

namespace clitest {
namespace {

class FileCommands : public testing::Test {
  protected:
    FileCommands() {
        module.LoadRandom(11);
        NamePatch(module, 2, "Groove");
        WriteBytes(folder / "p3.syx", PatchBytes(module, 2));
        WriteBytes(folder / "inst.syx", InstrumentBytes(module));
        WriteBytes(folder / "sys.syx", SystemBytes(module));
    }

    Td7Module module;
    TTestFolder folder;
};

TEST_F(FileCommands, PackWritesTheSetupFileByteForByte) {
    // Only slot 3: signature, two empty slots, the patch, 29 empty slots, no instruments,
    // no system block.
    ASSERT_EQ(RunCli({"pack", "-o", folder / "one.td7", "--patch", "3", folder / "p3.syx"}).Code,
              0);
    const Bytes one = ReadBytes(folder / "one.td7");
    ASSERT_EQ(one.size(), 1619u);
    EXPECT_EQ(one, SetupBytes(module, {2}, false, false));

    const TResult all =
        RunCli({"pack", "-o", folder / "all.td7", "--system", folder / "sys.syx", "--patch", "3",
                folder / "p3.syx", "--instruments", folder / "inst.syx"});
    ASSERT_EQ(all.Code, 0) << all.Err;
    EXPECT_EQ(ReadBytes(folder / "all.td7"), SetupBytes(module, {2}, true, true));
    EXPECT_TRUE(all.Out.empty());
}

TEST_F(FileCommands, ExtractGivesBackWhatWasPacked) {
    // The patch saved from slot 3 goes into slot 30; its records keep their bytes.
    ASSERT_EQ(RunCli({"pack", "-o", folder / "s.td7", "--patch", "30", folder / "p3.syx",
                      "--instruments", folder / "inst.syx", "--system", folder / "sys.syx"})
                  .Code,
              0);
    ASSERT_EQ(RunCli({"extract", folder / "s.td7", "--patch", "30", "-o", folder / "out.syx"}).Code,
              0);
    EXPECT_EQ(ReadBytes(folder / "out.syx"), PatchBytes(module, 2));
    ASSERT_EQ(RunCli({"extract", folder / "s.td7", "--instruments", "-o", folder / "i.syx"}).Code,
              0);
    EXPECT_EQ(ReadBytes(folder / "i.syx"), InstrumentBytes(module));
    ASSERT_EQ(RunCli({"extract", folder / "s.td7", "--system", "-o", folder / "y.syx"}).Code, 0);
    EXPECT_EQ(ReadBytes(folder / "y.syx"), SystemBytes(module));
}

TEST_F(FileCommands, ExtractReadsSetupFilesWithoutSystemEntry) {
    // Earlier setup files end after the instrument entry.
    Bytes old = SetupBytes(module, {0}, true, false);
    old.pop_back();
    WriteBytes(folder / "old.td7", old);
    ASSERT_EQ(RunCli({"extract", folder / "old.td7", "--patch", "1", "-o", folder / "p.syx"}).Code,
              0);
    EXPECT_EQ(ReadBytes(folder / "p.syx"), PatchBytes(module, 0));
    const TResult info = RunCli({"info", folder / "old.td7"});
    EXPECT_NE(info.Out.find("System: absent\n"), std::string::npos) << info.Out;
}

TEST_F(FileCommands, InfoListsTheSlotsAndBlocksOfASetup) {
    NamePatch(module, 0, "Rock 1");
    WriteBytes(folder / "s.td7", SetupBytes(module, {0, 2}, true, false));
    const TResult info = RunCli({"info", folder / "s.td7"});
    ASSERT_EQ(info.Code, 0) << info.Err;
    EXPECT_EQ(info.Out, folder / "s.td7" + ": TD7 setup file, " +
                            std::to_string(10 + 32 + 2 * 1575 + 1 + 16896 + 1) + " bytes\n" +
                            "Patches: 2 of 32\n"
                            "    1  Rock 1\n"
                            "    3  Groove\n"
                            "Instruments: present\n"
                            "System: absent\n"
                            "Checksums: all of 668 records match\n");
}

TEST_F(FileCommands, InfoTellsDumpFilesBySizeWithTheirNames) {
    const TResult patch = RunCli({"info", folder / "p3.syx"});
    ASSERT_EQ(patch.Code, 0) << patch.Err;
    EXPECT_EQ(patch.Out, folder / "p3.syx" +
                             ": TD7 patch file, 1575 bytes, saved from patch 3\n"
                             "Name: Groove\n"
                             "Checksums: all of 78 records match\n");

    auto instrument = module.Data(Td7Module::InstrumentBlock(511));
    const std::string name = "CRASH";
    std::copy(name.begin(), name.end(), instrument.begin());
    instrument[5] = 'C';
    WriteBytes(folder / "inst.syx", InstrumentBytes(module));
    const TResult instruments = RunCli({"info", folder / "inst.syx"});
    ASSERT_EQ(instruments.Code, 0) << instruments.Err;
    EXPECT_EQ(
        instruments.Out.rfind(folder / "inst.syx" + ": TD7 instruments file, 16896 bytes\n", 0),
        0u);
    EXPECT_NE(instruments.Out.find("\n  512  CRASH.C\nChecksums: all of 512 records match\n"),
              std::string::npos);

    EXPECT_EQ(
        RunCli({"info", folder / "sys.syx"}).Out,
        folder / "sys.syx" + ": TD7 system file, 34 bytes\nChecksums: all of 1 record match\n");
}

TEST_F(FileCommands, InfoReportsDamagedRecordsThatPackRefusesUnlessForced) {
    Bytes patch = PatchBytes(module, 2);
    // Note-map entry 5 (note 40) starts after the common block and the triggers.
    const std::size_t note40 = 58 + 18 * 22 + 5 * 19;
    patch[note40 + 9] ^= 0x01;  // a data byte, checksum left as it was
    const std::size_t trigger2 = 58 + 2 * 22;
    patch[trigger2 + 21] = 0x00;  // the F7 of trigger 2 (T2: Snare)
    WriteBytes(folder / "bad.syx", patch);

    const TResult info = RunCli({"info", folder / "bad.syx"});
    ASSERT_EQ(info.Code, 0) << info.Err;
    int sum = 0;
    for (std::size_t k = note40 + 5; k < note40 + 17; ++k) sum += patch[k];
    char checksums[40];
    std::snprintf(checksums, sizeof checksums, "checksum %02X, should be %02X\n",
                  patch[note40 + 17], (128 - sum % 128) % 128);
    EXPECT_NE(info.Out.find("Bad record: trigger T2: Snare at byte " + std::to_string(trigger2) +
                            ": not framed by F0 .. F7\n"),
              std::string::npos)
        << info.Out;
    EXPECT_NE(
        info.Out.find("Bad record: note 40 E 2 at byte " + std::to_string(note40) + ": " + checksums),
        std::string::npos)
        << info.Out;
    EXPECT_NE(info.Out.find("Checksums: 2 of 78 records do not match\n"), std::string::npos);

    // Without --force the writers refuse a damaged record; with it they keep it as read.
    const TResult refused =
        RunCli({"pack", "-o", folder / "s.td7", "--patch", "3", folder / "bad.syx"});
    EXPECT_EQ(refused.Code, 1);
    const std::string named = folder / "bad.syx" +
                              ": 2 damaged records: patch 3 trigger T2: Snare (not framed by F0 "
                              ".. F7), patch 3 note 40 E 2 (" +
                              std::string(checksums, std::strlen(checksums) - 1) + ")";
    EXPECT_EQ(refused.Err,
              "tamboro-cli: " + named + ". Nothing was written; --force writes them anyway\n");
    EXPECT_FALSE(std::filesystem::exists(folder / "s.td7"));

    const TResult forced =
        RunCli({"pack", "-o", folder / "s.td7", "--patch", "3", folder / "bad.syx", "--force"});
    ASSERT_EQ(forced.Code, 0) << forced.Err;
    EXPECT_EQ(forced.Err, named + "; written as read, damage and all, as --force asks\n");
    EXPECT_NE(
        RunCli({"info", folder / "s.td7"}).Out.find("Checksums: 2 of 78 records do not match\n"),
        std::string::npos);
}

// A setup whose patch 1 has one data byte flipped: extract copies it out only with --force,
// and what it writes then keeps the damage as read.
TEST_F(FileCommands, ExtractRefusesADamagedPartUnlessForced) {
    Bytes setup = SetupBytes(module, {0, 2}, false, false);
    const std::size_t common = 10 + 1;  // signature, slot 1's flag
    setup[common + 12] ^= 0x01;
    WriteBytes(folder / "flipped.td7", setup);

    const TResult refused =
        RunCli({"extract", folder / "flipped.td7", "--patch", "1", "-o", folder / "p.syx"});
    EXPECT_EQ(refused.Code, 1);
    EXPECT_EQ(refused.Err.rfind("tamboro-cli: " + folder / "flipped.td7" +
                                    ": 1 damaged record: patch 1 common (checksum ",
                                0),
              0u)
        << refused.Err;
    EXPECT_TRUE(refused.Err.ends_with(". Nothing was written; --force writes it anyway\n"));
    EXPECT_FALSE(std::filesystem::exists(folder / "p.syx"));

    // The sound patch next to it comes out as it is.
    ASSERT_EQ(
        RunCli({"extract", folder / "flipped.td7", "--patch", "3", "-o", folder / "p3.syx"}).Code,
        0);
    EXPECT_EQ(ReadBytes(folder / "p3.syx"), PatchBytes(module, 2));
    const TResult forced = RunCli(
        {"extract", folder / "flipped.td7", "--patch", "1", "-o", folder / "p.syx", "--force"});
    EXPECT_EQ(forced.Code, 0) << forced.Err;
    EXPECT_TRUE(std::filesystem::exists(folder / "p.syx"));
}

// 1575 bytes of another maker's system-exclusive messages, the size of a patch file.
TEST_F(FileCommands, AnotherMakersFileIsNoTd7FileForInfoNorForPack) {
    Bytes foreign;
    while (foreign.size() < 1575) {
        const Bytes message = {0xF0, 0x43, 0x10, 0x4C, 0x02, 0x01, 0x00, 0x7F, 0xF7};
        Append(foreign, message);
    }
    foreign.resize(1575);
    WriteBytes(folder / "other.syx", foreign);

    const TResult info = RunCli({"info", folder / "other.syx"});
    EXPECT_EQ(info.Code, 1);
    EXPECT_EQ(info.Out, "");
    EXPECT_EQ(info.Err, "tamboro-cli: " + folder / "other.syx" +
                            ": not a TD-7 file: none of its records is a TD-7 data-set message\n");

    const TResult pack =
        RunCli({"pack", "-o", folder / "pk.td7", "--patch", "1", folder / "other.syx"});
    EXPECT_EQ(pack.Code, 1);
    EXPECT_NE(pack.Err.find(": 78 damaged records: patch 1 common ("), std::string::npos)
        << pack.Err;
    EXPECT_NE(pack.Err.find(" and 73 more. Nothing was written"), std::string::npos) << pack.Err;
    EXPECT_FALSE(std::filesystem::exists(folder / "pk.td7"));
}

// No command writes over a file it reads, by whatever name it is given, nor writes a kind
// of file under another kind's extension.
TEST_F(FileCommands, NoCommandWritesOverItsInputOrUnderAnotherKindsExtension) {
    WriteBytes(folder / "same.td7", SetupBytes(module, {0}, false, false));
    const Bytes setup = ReadBytes(folder / "same.td7");
    std::filesystem::create_symlink(folder / "same.td7", folder / "link.syx");
    std::filesystem::create_symlink(folder / "p3.syx", folder / "link.td7");

    const std::vector<std::pair<std::vector<std::string>, std::string>> refused = {
        {{"extract", folder / "same.td7", "--patch", "1", "-o", folder / "same.td7"},
         "Other extension than \".syx\" not allowed"},
        {{"extract", folder / "same.td7", "--patch", "1", "-o", folder / "link.syx"},
         "\"" + folder / "link.syx" + "\" is the file being read (" + folder / "same.td7" +
             "); nothing was written"},
        {{"pack", "-o", folder / "link.td7", "--patch", "1", folder / "p3.syx"},
         "\"" + folder / "link.td7" + "\" is the file being read (" + folder / "p3.syx" +
             "); nothing was written"},
    };
    for (const auto& [args, text] : refused) {
        const TResult r = RunCli(args);
        EXPECT_EQ(r.Code, 1) << testing::PrintToString(args);
        EXPECT_EQ(r.Err, "tamboro-cli: " + text + "\n");
    }
    EXPECT_EQ(ReadBytes(folder / "same.td7"), setup);
    EXPECT_EQ(ReadBytes(folder / "p3.syx"), PatchBytes(module, 2));

    // A kit from the library is a patch file, whatever name it is given.
    const std::string library = "--file=" + folder / "kits.sqlite3";
    ASSERT_EQ(RunCli({"library", library, "import", folder / "p3.syx"}).Code, 0);
    const std::string id = RunCli({"library", library, "list"}).Out.substr(0, 1);
    const TResult kit = RunCli({"library", library, "export", id, "-o", folder / "kit.td7"});
    EXPECT_EQ(kit.Code, 1);
    EXPECT_EQ(kit.Err, "tamboro-cli: Other extension than \".syx\" not allowed\n");
    EXPECT_FALSE(std::filesystem::exists(folder / "kit.td7"));
}

}  // namespace
}  // namespace clitest
