#pragma once

// The programs' session with the module over the scriptable fake service: its input as
// both programs configure it, its port link and the five collections attached to the link.

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <thread>
#include <vector>

#include "midilink/DeviceIds.h"
#include "midiports/ManualPortWindow.h"
#include "td7/session/Session.h"
#include "tests/support/FakeMidiService.h"

namespace hardening {

using Bytes = std::vector<std::uint8_t>;

class EditorPorts : public ::testing::Test {
  protected:
    void SetUp() override {
        midilink::ClearDeviceIds();
        td7::TSession::SetDeviceId(0x10);
        session.OnMidiInput = [this](bool resolved) {
            ++received;
            if (resolved) ++taken;
        };
        input.Open();
        ASSERT_TRUE(input.IsOpen());
        input.Start();
        output.SetDeviceID(0);
        ASSERT_TRUE(output.Open());
    }

    // Bytes of a record as the module sends it: header from its place, sealed.
    Bytes RecordBytes(td7::Block block, int i) {
        midilink::TDumpCollection& dump = dumps.Of(block);
        dump.PrepareRecord(i);
        const midilink::TMidiDump& record = dump.Records(i);
        return {record.Data(), record.Data() + record.Size()};
    }

    // Every record's bytes, to tell whether anything changed.
    std::vector<Bytes> Snapshot() {
        std::vector<Bytes> all;
        for (td7::Block block : td7::kAllBlocks) {
            midilink::TDumpCollection& dump = dumps.Of(block);
            for (int i = 0; i < dump.Count(); ++i) {
                const midilink::TMidiDump& record = dump.Records(i);
                all.emplace_back(record.Data(), record.Data() + record.Size());
            }
        }
        return all;
    }

    void Receive(const std::vector<Bytes>& messages) {
        std::thread service([&] {
            for (const Bytes& m : messages) fake.Inject(0, m);
        });
        service.join();
    }

    testsupport::FakeMidiService fake{{"TD-7 In"}, {"TD-7 Out"}};
    midiports::ManualPortWindow inWindow;
    midiports::ManualPortWindow outWindow;
    // Nothing here waits for a transfer.
    struct NoWait : td7::TTransferWait {
        Clock::time_point Now() override { return Clock::now(); }
        void WaitUntil(const std::function<bool()>&, Clock::time_point) override {}
    } wait;
    td7::TSession session{fake, inWindow, outWindow, wait};
    midiports::TMidiInput& input = session.Input();
    midiports::TMidiOutput& output = session.Output();
    midilink::TMidiCompLink& link = session.Link();
    td7::TTd7Collections& dumps = session.Dumps();
    int received = 0;  // events the link reported
    int taken = 0;     // of them, those a record took
};

}  // namespace hardening
