#include <string>

#include "PortFixture.h"

namespace porttest {
namespace {

using midiports::EmidioutputError;
namespace result = midiports::result;
using Sent = testsupport::FakeMidiService::Sent;

std::string ServiceText(midiports::MidiResult code) {
    std::string text;
    midiports::StandardErrorText(code, text);
    return text;
}

template <class F>
std::string ErrorOf(F&& f) {
    try {
        f();
    } catch (const EmidioutputError& e) {
        return e.what();
    }
    return "(nothing raised)";
}

class OutputFixture : public ::testing::Test {
  protected:
    testsupport::FakeMidiService fake{{"In A"}, {"Out A", "Out B"}};
    midiports::ManualPortWindow window;
    std::unique_ptr<midiports::TMidiOutput> output =
        std::make_unique<midiports::TMidiOutput>(fake, window);
    int finished = 0;

    void SetUp() override {
        output->Onmidioutput = [this](midiports::TMidiOutput* sender) {
            EXPECT_EQ(sender, output.get());
            ++finished;
        };
    }
};

TEST_F(OutputFixture, DeviceNumbersRunFromTheMapperToTheLastDevice) {
    output->SetDeviceID(-1);
    EXPECT_EQ(output->ProductName(), "Tamboro");
    output->SetDeviceID(1);
    EXPECT_EQ(output->ProductName(), "Out B");
    EXPECT_EQ(ErrorOf([&] { output->SetDeviceID(2); }), "Invalid device ID");
    EXPECT_EQ(output->DeviceID(), 1);
    // Below -1 passes the range test and fails at the query, keeping the number.
    EXPECT_EQ(ErrorOf([&] { output->SetDeviceID(-2); }), ServiceText(result::kBadDeviceId));
    EXPECT_EQ(output->DeviceID(), -2);

    output->SetProductName("Out A");
    EXPECT_EQ(output->DeviceID(), 0);
    EXPECT_EQ(ErrorOf([&] { output->SetProductName("Out C"); }),
              "MIDI output Device Out C not installed");
}

TEST(OutputPortNames, TheMapperWinsOverADeviceOfTheSameName) {
    testsupport::FakeMidiService fake({}, {"Out A", "Same"}, "Same");
    midiports::ManualPortWindow window;
    midiports::TMidiOutput output(fake, window);
    output.SetProductName("Same");
    EXPECT_EQ(output.DeviceID(), -1);
}

TEST_F(OutputFixture, OpenNeverRaisesAndSettingsWaitForClose) {
    fake.FailNext(Call::OutOpen, result::kAllocated);
    EXPECT_FALSE(output->Open());
    EXPECT_EQ(output->Handle(), nullptr);
    EXPECT_EQ(output->LastResult(), result::kAllocated);
    EXPECT_TRUE(output->Open());
    EXPECT_NE(output->Handle(), nullptr);
    EXPECT_EQ(ErrorOf([&] { output->SetDeviceID(1); }), "Change to DeviceID while device was open");
    EXPECT_EQ(ErrorOf([&] { output->SetProductName("Out B"); }),
              "Change to ProductName while device was open");
    EXPECT_TRUE(output->Close());
    EXPECT_FALSE(output->Close());
    EXPECT_EQ(output->Handle(), nullptr);
}

TEST_F(OutputFixture, ShortMessagesLeaveAsPackedBytes) {
    EXPECT_EQ(ErrorOf([&] { output->SendShort(0x90, 1, 2); }), ServiceText(result::kInvalidHandle));
    ASSERT_TRUE(output->Open());
    output->SendShort(0xC9, 3, 0);
    output->SendShort(0x99, 0x24, 0x40);
    const std::vector<Sent> sent = fake.SentTo(0);
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(sent[0].bytes, (Bytes{0xC9, 0x03}));
    EXPECT_EQ(sent[1].bytes, (Bytes{0x99, 0x24, 0x40}));
    EXPECT_EQ(finished, 0);  // short messages report no completion
}

TEST_F(OutputFixture, EveryBlockIsCopiedAndReportedOnceWhenFinished) {
    ASSERT_TRUE(output->Open());
    fake.HoldBlocks(true);
    Bytes buffer = Sysex({0x41, 0x10, 0x58, 0x11});
    output->SendLong(buffer.data(), static_cast<std::uint16_t>(buffer.size()));
    buffer[1] = 0x42;  // the caller may reuse its buffer at once
    output->SendLong(buffer.data(), static_cast<std::uint16_t>(buffer.size()));
    window.Pump();
    EXPECT_EQ(finished, 0);

    // A block still playing keeps the device open.
    EXPECT_EQ(ErrorOf([&] { output->Close(); }), ServiceText(result::kStillPlaying));
    EXPECT_TRUE(output->IsOpen());

    OnServiceThread([&] { fake.CompleteHeld(); });
    ASSERT_TRUE(window.PumpUntil([&] { return finished == 2; }));
    const std::vector<Sent> sent = fake.SentTo(0);
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(sent[0].bytes, Sysex({0x41, 0x10, 0x58, 0x11}));
    EXPECT_EQ(sent[1].bytes, Sysex({0x42, 0x10, 0x58, 0x11}));
    EXPECT_TRUE(output->Close());
}

TEST_F(OutputFixture, SendEventNeedsAnOpenPortAndPicksShortOrLong) {
    midiports::TMyMidiEvent note;
    note.StatusByte = 0x99;
    note.DataByte1 = 0x24;
    note.DataByte2 = 0x40;
    EXPECT_EQ(ErrorOf([&] { output->SendEvent(note); }), "MIDI Output device not open");
    ASSERT_TRUE(output->Open());
    midiports::TMyMidiEvent block;
    block.StatusByte = 0xF0;
    const Bytes bytes = Sysex({0x41});
    block.SysexSize = static_cast<std::uint16_t>(bytes.size());
    block.SysexData = std::make_unique<std::uint8_t[]>(bytes.size());
    std::copy(bytes.begin(), bytes.end(), block.SysexData.get());
    output->SendEvent(note);
    output->SendEvent(block);
    const std::vector<Sent> sent = fake.SentTo(0);
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_FALSE(sent[0].isLong);
    EXPECT_EQ(sent[1].bytes, bytes);
    window.Pump();
    EXPECT_EQ(finished, 1);
}

TEST_F(OutputFixture, AFailingSendRaisesTheServiceText) {
    ASSERT_TRUE(output->Open());
    const Bytes bytes = Sysex({0x41});
    fake.FailNext(Call::OutLongMsg, result::kNotReady);
    EXPECT_EQ(ErrorOf([&] { output->SendLong(bytes.data(), 3); }), ServiceText(result::kNotReady));
    fake.FailNext(Call::OutPrepareHeader, 1234);
    EXPECT_EQ(ErrorOf([&] { output->SendLong(bytes.data(), 3); }),
              "Specified error number is out of range");
    fake.FailNext(Call::OutShortMsg, result::kError);
    EXPECT_EQ(ErrorOf([&] { output->SendShort(0x90, 0, 0); }), ServiceText(result::kError));
    fake.FailNext(Call::OutClose, result::kError);
    EXPECT_EQ(ErrorOf([&] { output->Close(); }), ServiceText(result::kError));
    EXPECT_TRUE(output->IsOpen());
}

TEST_F(OutputFixture, DestroyingAnOpenPortClosesTheDeviceEvenWithBlocksQueued) {
    ASSERT_TRUE(output->Open());
    fake.HoldBlocks(true);
    const Bytes bytes = Sysex({0x41});
    output->SendLong(bytes.data(), 3);
    output.reset();
    EXPECT_FALSE(fake.OutputOpen(0));
    EXPECT_EQ(fake.HeldBlocks(), 0);
    EXPECT_EQ(finished, 0);
}

TEST_F(OutputFixture, ADeviceThatGoesAwayClosesThePort) {
    output->SetDeviceID(-1);
    ASSERT_TRUE(output->Open());
    int lost = 0;
    output->OnDeviceLost = [&](midiports::TMidiOutput*) { ++lost; };
    OnServiceThread([&] { fake.LoseOutput(-1); });
    ASSERT_TRUE(window.PumpUntil([&] { return lost == 1; }));
    EXPECT_EQ(output->Handle(), nullptr);
    EXPECT_EQ(output->LastResult(), result::kDeviceLost);
    EXPECT_FALSE(fake.OutputOpen(-1));
}

}  // namespace
}  // namespace porttest
