#include "library/Mirror.h"
#include "midilink/DeviceIds.h"
#include "td7/map/PresentFlags.h"
#include "td7/session/Session.h"
#include "td7/map/Td7Collections.h"
#include "td7/transfers/Transfers.h"
#include "tests/library/LibraryFixture.h"
#include "tests/support/ModuleLink.h"

namespace librarytest {

namespace {

using testsupport::CountingProgress;
using testsupport::FastWait;
using testsupport::ModuleLink;

class MirrorTest : public LibraryTest {
  protected:
    MirrorTest() {
        midilink::ClearDeviceIds();
        midilink::SetDeviceId(0, 16);
        wait.transfers = &transfers;
    }
    ~MirrorTest() override { midilink::ClearDeviceIds(); }

    ModuleLink link;
    td7::TTd7Collections dumps{&link, nullptr, nullptr};
    td7::TPresentFlags present;
    FastWait wait{link};
    td7::TTransfers transfers{dumps, present, link, wait};
};

}  // namespace

TEST_F(MirrorTest, AKitPutIntoASlotAndTransmittedLandsOnTheModuleAtThatSlot) {
    Td7Module source;
    source.LoadRandom(11);
    library::TLibrary lib(file(), Options());
    const auto [id, added] = lib.Add(library::TKind::Kit, Kit(source, 4), "a.syx", 5);
    ASSERT_TRUE(added);

    library::PutIntoMirror(library::TKind::Kit, lib.ItemBytes(id), dumps, present, 11);
    EXPECT_TRUE(present.PatchPresent(11));
    EXPECT_TRUE(dumps.ProgDump.Modified());
    EXPECT_TRUE(link.module.Memory() == Td7Module().Memory()) << "nothing is sent on its own";

    CountingProgress progress;
    ASSERT_TRUE(transfers.TransmitPatch(11, progress));
    Td7Module expected;
    CopyPatch(source, 4, expected, 11);
    EXPECT_TRUE(link.module.Memory() == expected.Memory());
}

TEST_F(MirrorTest, WhatARequestBroughtIsRememberedOnceWithTheModuleAsItsSource) {
    link.module.LoadRandom(12);
    transfers.RequestAllPatches();
    transfers.RequestInstruments();
    transfers.RequestSystem();
    library::TLibrary lib(file(), Options());
    const std::string origin = library::ModuleOrigin(td7::TSession::DeviceId(), "2026-12-07");
    EXPECT_EQ(origin, "TD-7 (device ID 17) 2026-12-07");
    const auto everything = library::TakeFromMirror(
        dumps, present, {.Patches = true, .Instruments = true, .System = true});
    EXPECT_EQ(lib.AddAll(everything, origin), 34);
    // The same memory as a file: every item known already.
    const std::vector<fs::path> paths = {MemoryDump("memory.syx", link.module)};
    const auto report = lib.Import(paths);
    EXPECT_EQ(report.Added, 0);
    EXPECT_EQ(report.Known, 34);
    const auto kit = lib.Find({.Kind = library::TKind::Kit}, 1).front();
    EXPECT_EQ(lib.Sources(kit.Id).front().Origin, origin);

    // An instrument set put back into the mirror is the module's.
    const auto instruments = lib.Find({.Kind = library::TKind::Instruments}).front();
    td7::TPresentFlags fresh;
    td7::TTd7Collections other(nullptr, nullptr, nullptr);
    library::PutIntoMirror(library::TKind::Instruments, lib.ItemBytes(instruments.Id), other,
                           fresh);
    EXPECT_TRUE(fresh.InstrumentsPresent());
    const auto& record = other.InstrumentDump.Records(300);
    EXPECT_EQ(Bytes(record.Data(), record.Data() + record.Size()),
              link.module.DataSetOf(Td7Module::InstrumentBlock(300)));
}

}  // namespace librarytest
