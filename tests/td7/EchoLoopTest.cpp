// A cable or a MIDI thru that sends everything the editor transmits straight back to its
// input. The editor's own one-parameter data sets, requests and short messages must not
// be taken as the module's memory; only a whole record that matches one of the mirror's
// comes back into it, and then unchanged.

#include <algorithm>
#include <memory>
#include <string>

#include "midilink/MidiCom.h"
#include "td7/map/ParameterTable.h"
#include "tests/td7/EditorPorts.h"

namespace hardening {
namespace {

class EchoLoop : public EditorPorts {
  protected:
    void SetUp() override {
        EditorPorts::SetUp();
        for (const td7::TParameter& p : td7::Parameters()) {
            auto com = std::make_unique<midilink::TValueMidiCom>();
            td7::ConfigureBinding(*com, p, dumps, &link);
            coms.push_back(std::move(com));
        }
        // A mirror that holds something: every record's data bytes numbered.
        for (td7::Block block : td7::kAllBlocks) {
            midilink::TDumpCollection& dump = dumps.Of(block);
            for (int i = 0; i < dump.Count(); ++i) {
                midilink::TMidiDump& record = dump.Records(i);
                for (int k = td7::kHeaderSize; k < record.Size() - 2; ++k)
                    record.Data()[k] = static_cast<std::uint8_t>((3 * i + k) & 0x7F);
                dump.PrepareRecord(i);
            }
            dump.SetModified(false);
        }
    }

    // Sends what the editor put on the output since the last call back into the input,
    // one message at a time as a cable would, and handles each; returns how many of the
    // echoes a record took.
    int Echo() {
        const auto sent = fake.SentTo(0);
        int echoed = 0;
        int tookTotal = 0;
        for (std::size_t i = m_echoed; i < sent.size(); ++i) {
            received = taken = 0;
            Receive({sent[i].bytes});
            if (sent[i].bytes.at(0) != 0xF0) continue;  // the port takes sysex only
            EXPECT_TRUE(inWindow.PumpUntil([&] { return received == 1; }));
            tookTotal += taken;
            ++echoed;
        }
        m_echoed = sent.size();
        received = echoed;
        return tookTotal;
    }

    bool AnyModified() {
        for (td7::Block block : td7::kAllBlocks)
            if (dumps.Of(block).Modified()) return true;
        return false;
    }

    std::vector<std::unique_ptr<midilink::TValueMidiCom>> coms;

  private:
    std::size_t m_echoed = 0;
};

TEST_F(EchoLoop, TheEditorsOwnParameterMessagesAreNotTakenAsTheModulesMemory) {
    // Every bound parameter at a value other than the record's: the edit changes the
    // mirror and sends a data set of one or two bytes, which comes straight back.
    for (std::size_t i = 0; i < coms.size(); ++i) {
        const td7::TParameter& p = td7::Parameters()[i];
        coms[i]->SetValue(p.Min + (p.Max - p.Min) / 2);
    }
    const auto edited = Snapshot();
    for (td7::Block block : td7::kAllBlocks) dumps.Of(block).SetModified(false);
    ASSERT_GE(fake.SentTo(0).size(), coms.size());
    int loopsReported = 0;
    session.OnPortLoop = [&] { ++loopsReported; };

    EXPECT_EQ(Echo(), 0);
    EXPECT_EQ(received, static_cast<int>(coms.size()));
    EXPECT_EQ(loopsReported, 1);  // the user is told once, not once a message
    EXPECT_FALSE(AnyModified());
    EXPECT_TRUE(Snapshot() == edited);
}

TEST_F(EchoLoop, RequestsAndShortMessagesComeBackAsNothing) {
    const auto before = Snapshot();
    for (td7::Block block : td7::kAllBlocks)
        link.SendCommand(td7::RequestCommand(block, 0), 0, midilink::ctRoland);
    link.SendCommand("C9d0", 4, midilink::ctNone);     // program change on channel 10
    link.SendCommand("99d040", 38, midilink::ctNone);  // a pad's note

    EXPECT_EQ(Echo(), 0);
    EXPECT_EQ(received, td7::kBlockCount);  // the short ones never reach the editor
    EXPECT_FALSE(AnyModified());
    EXPECT_TRUE(Snapshot() == before);
}

TEST_F(EchoLoop, AWholeRecordSentComesBackIntoItsOwnPlaceUnchanged) {
    const auto before = Snapshot();
    dumps.ProgDump.SendRecord(5);
    dumps.InstrumentDump.SendRecord(300);
    dumps.SystemDump.SendRecord(0);

    EXPECT_EQ(Echo(), 3);
    EXPECT_TRUE(Snapshot() == before);
    EXPECT_FALSE(dumps.TriggerDump.Modified());
    EXPECT_FALSE(dumps.NotemapDump.Modified());
}

}  // namespace
}  // namespace hardening
