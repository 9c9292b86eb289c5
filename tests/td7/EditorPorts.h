#pragma once

// The editor's MIDI side without its windows: the input configured as the main window
// configures it, the port link, and the five collections attached to the link, over the
// scriptable fake service.

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <thread>
#include <vector>

#include "midilink/DeviceIds.h"
#include "midilink/MidiCompLink.h"
#include "midiports/ManualPortWindow.h"
#include "midiports/MidiInput.h"
#include "midiports/MidiOutput.h"
#include "td7/Td7Collections.h"
#include "tests/support/FakeMidiService.h"

namespace hardening {

using Bytes = std::vector<std::uint8_t>;

class EditorPorts : public ::testing::Test {
  protected:
    void SetUp() override {
        midilink::ClearDeviceIds();
        midilink::SetDeviceId(0, 0x10);
        input.SetSysexBufferSize(4096);
        input.SetSysexOnly(true);
        link.SetMidiIn(&input);
        link.SetMidiOut(&output);
        link.OnMidiInput = [this](midilink::TMidiCompLink*, bool resolved) {
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
    Bytes RecordBytes(app::Block block, int i) {
        midilink::TDumpCollection& dump = dumps.Of(block);
        dump.PrepareRecord(i);
        const midilink::TMidiDump& record = dump.Records(i);
        return {record.Data(), record.Data() + record.Size()};
    }

    // Every record's bytes, to tell whether anything changed.
    std::vector<Bytes> Snapshot() {
        std::vector<Bytes> all;
        for (app::Block block : app::kAllBlocks) {
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
    midiports::TMidiInput input{fake, inWindow};
    midiports::TMidiOutput output{fake, outWindow};
    midilink::TMidiCompLink link;
    app::TTd7Collections dumps{&link, nullptr, nullptr};
    int received = 0;  // events the link reported
    int taken = 0;     // of them, those a record took
};

}  // namespace hardening
