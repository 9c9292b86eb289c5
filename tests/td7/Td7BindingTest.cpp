// Real bindings configured from the table: what an edit stores and sends, what a record
// reads back as, and where a retargeted template sends it.

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <vector>

#include "midilink/DeviceIds.h"
#include "midilink/MidiCom.h"
#include "td7/map/ParameterTable.h"
#include "td7/map/Retarget.h"
#include "td7/map/Td7Collections.h"
#include "tests/support/RecordingLink.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

class Td7BindingTest : public ::testing::Test {
  protected:
    void SetUp() override {
        midilink::ClearDeviceIds();
        midilink::SetDeviceId(0, 0x10);
        for (const td7::TParameter& p : td7::Parameters()) {
            auto com = std::make_unique<midilink::TValueMidiCom>();
            td7::ConfigureBinding(*com, p, dumps, &link);
            com->OnValue = [this, name = p.Name](midilink::TValueMidiCom*, std::int32_t v) {
                shown[std::string(name)] = v;
            };
            coms[std::string(p.Name)] = std::move(com);
        }
    }

    // Sets a control's value; returns the record bytes at its DumpIndex (two of them)
    // and the one message sent.
    Bytes Store(const std::string& name, int value) {
        link.messages.clear();
        coms.at(name)->SetValue(value);
        const td7::TParameter& p = *td7::FindParameter(name);
        midilink::TMidiDump& record = dumps.Of(p.Collection).Current();
        return {record.Data()[p.DumpIndex], record.Data()[p.DumpIndex + 1]};
    }

    Bytes Sent() {
        const auto sent = link.LongMessages();
        return sent.size() == 1 ? sent[0] : Bytes{};
    }

    midilink::TMidiCom* BindingOf(std::string_view name) {
        const auto it = coms.find(std::string(name));
        return it == coms.end() ? nullptr : it->second.get();
    }

    testsupport::RecordingLink link;
    td7::TTd7Collections dumps{&link, nullptr, nullptr};
    std::map<std::string, std::unique_ptr<midilink::TValueMidiCom>> coms;
    std::map<std::string, int> shown;
};

TEST_F(Td7BindingTest, EditsStoreAndSendTheEncodedValue) {
    EXPECT_EQ(Store("Pan", 8)[0], 15);
    EXPECT_EQ(Sent(),
              (Bytes{0xF0, 0x41, 0x10, 0x58, 0x12, 0x01, 0x00, 0x00, 0x0D, 0x0F, 0x63, 0xF7}));
    EXPECT_EQ(Store("Decay", -31)[0], 0);
    EXPECT_EQ(Store("DynaBend", -1)[0], 0x7F);
    EXPECT_EQ(Store("DelayLTime", 255), (Bytes{0x0F, 0x0F}));
    EXPECT_EQ(Sent()[9], 0x0F);
    EXPECT_EQ(Sent()[10], 0x0F);

    // The record wraps the pitch into 10 bits, and the message carries the same bytes.
    EXPECT_EQ(Store("Pitch", -480), (Bytes{0x04, 0x20}));
    const Bytes pitch = Sent();
    ASSERT_EQ(pitch.size(), 13u);
    EXPECT_EQ(Bytes(pitch.begin() + 5, pitch.begin() + 11),
              (Bytes{0x01, 0x00, 0x00, 0x0A, 0x04, 0x20}));

    EXPECT_EQ(Store("pxNoteNr", 0)[0], 35);
    EXPECT_EQ(Store("Sound1Pitch", -48)[0], 0x50);
    EXPECT_EQ(Store("Sound2", 300), (Bytes{0x02, 0x2C}));
}

TEST_F(Td7BindingTest, EveryRowReadsBackWhatItStored) {
    for (const td7::TParameter& p : td7::Parameters()) {
        for (int v : {p.Min, p.Max, p.Default}) {
            Store(std::string(p.Name), v);
            shown.clear();
            coms.at(std::string(p.Name))->UpdateFromDump();
            EXPECT_EQ(shown[std::string(p.Name)], v) << p.Name;
        }
    }
}

TEST_F(Td7BindingTest, RetargetedEditsAddressTheRecordTheyWrite) {
    struct Case {
        td7::PanelId panel;
        int record;
        td7::Selection selection;
        const char* control;
    };
    const Case cases[] = {
        {td7::PanelId::Trigger, td7::TriggerRecord(31, 17), td7::TriggerSelection(31, 17),
         "txMaskTime"},
        {td7::PanelId::Notemap, td7::NotemapRecord(31, 58), td7::NotemapSelection(31, 58),
         "Sound2"},
        {td7::PanelId::Effect1, 5, td7::PatchSelection(5), "HallLevel"},
        {td7::PanelId::Effect2, 9, td7::PatchSelection(9), "FlangerDelayTime"},
        {td7::PanelId::HihatPedal, 31, td7::PatchSelection(31), "pxSeqPtrn"},
        {td7::PanelId::PatchCommon, 6, td7::PatchSelection(6), "PerfSound3"},
        {td7::PanelId::Inst, 128, td7::InstrumentSelection(128), "Level"},
        {td7::PanelId::Inst, 511, td7::InstrumentSelection(511), "Waveform"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.control);
        const td7::TParameter& p = *td7::FindParameter(c.control);
        midilink::TDumpCollection& dump = dumps.Of(p.Collection);
        dump.SetIndex(c.record);
        td7::RetargetPanel(c.panel, c.selection,
                           [this](std::string_view name) { return BindingOf(name); });
        Store(c.control, p.Max);
        dump.PrepareRecord(c.record);
        const Bytes message = Sent();
        ASSERT_GE(message.size(), 12u);
        EXPECT_EQ(Bytes(message.begin() + 5, message.begin() + 8),
                  Bytes(dump.Current().Data() + 5, dump.Current().Data() + 8));
        EXPECT_EQ(message[8], p.DumpIndex - 9);
    }
    // The hall level knob of patch 6: address 00 05 00 0F.
    EXPECT_EQ(coms.at("HallLevel")->MidiCommand(), "F041v058120005000Fd000F7");
    EXPECT_EQ(coms.at("Waveform")->MidiCommand().substr(10, 8), "01037F06");
}

TEST_F(Td7BindingTest, RetargetingTouchesOnlyThePanelsControls) {
    td7::RetargetPanel(td7::PanelId::Effect1, td7::PatchSelection(3),
                       [this](std::string_view name) { return BindingOf(name); });
    EXPECT_EQ(coms.at("DelayRTime")->MidiCommand().substr(12, 4), "0300");
    EXPECT_EQ(coms.at("Effect1Type")->MidiCommand().substr(12, 4), "0300");
    EXPECT_EQ(coms.at("ChorusLevel")->MidiCommand().substr(12, 4), "0000");
    EXPECT_EQ(coms.at("pxAssign")->MidiCommand().substr(12, 4), "0000");

    td7::RetargetPanel(td7::PanelId::System, td7::PatchSelection(3),
                       [this](std::string_view name) { return BindingOf(name); });
    EXPECT_EQ(coms.at("Aftertouch")->MidiCommand(), "F041v0581203000016d000F7");

    // A control without a binding is skipped.
    int asked = 0;
    td7::RetargetPanel(td7::PanelId::Notemap, td7::NotemapSelection(0, 0),
                       [&](std::string_view) -> midilink::TMidiCom* {
                           ++asked;
                           return nullptr;
                       });
    EXPECT_EQ(asked, 6);
    EXPECT_EQ(td7::RetargetTemplate("F041v0581200", {1, 2}), "F041v0581200");
}

}  // namespace
