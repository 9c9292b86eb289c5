#include <algorithm>
#include <atomic>
#include <string>

#include "PortFixture.h"

namespace porttest {
namespace {

using midiports::EMidiInputError;
namespace result = midiports::result;

std::string ServiceText(midiports::MidiResult code) {
    std::string text;
    midiports::StandardErrorText(code, text);
    return text;
}

template <class F>
std::string ErrorOf(F&& f) {
    try {
        f();
    } catch (const EMidiInputError& e) {
        return e.what();
    }
    return "(nothing raised)";
}

TEST_F(InputFixture, SelectsDevicesByNumberAndByName) {
    input->SetDeviceID(1);
    EXPECT_EQ(input->ProductName(), "In B");
    input->SetProductName("In A");
    EXPECT_EQ(input->DeviceID(), 0);
    EXPECT_EQ(ErrorOf([&] { input->SetDeviceID(2); }), "Invalid device ID");
    EXPECT_EQ(ErrorOf([&] { input->SetProductName("in a"); }),
              "MIDI Input Device in a not installed ");

    // A failing capability query raises the service's text; the number stays stored.
    fake.FailNext(Call::InProductName, result::kNoMem);
    EXPECT_EQ(ErrorOf([&] { input->SetDeviceID(1); }), ServiceText(result::kNoMem));
    EXPECT_EQ(input->DeviceID(), 1);
    EXPECT_EQ(input->Error(), result::kNoMem);

    input->SetLoading(true);
    input->SetProductName("nothing at all");
    EXPECT_EQ(input->DeviceID(), 1);
}

TEST(InputPortWithoutDevices, NameSearchReportsTheFirstFailingQuery) {
    testsupport::FakeMidiService fake;
    midiports::ManualPortWindow window;
    midiports::TMidiInput input(fake, window);
    EXPECT_EQ(ErrorOf([&] { input.SetProductName("In A"); }), ServiceText(result::kBadDeviceId));
}

TEST_F(InputFixture, SettingsThatNeedAClosedPortAreRefusedWhileOpen) {
    input->Open();
    EXPECT_EQ(ErrorOf([&] { input->SetDeviceID(1); }), "Change to DeviceID while device was open");
    EXPECT_EQ(ErrorOf([&] { input->SetProductName("In B"); }),
              "Change to ProductName while device was open");
    EXPECT_EQ(ErrorOf([&] { input->SetSysexBufferSize(100); }),
              "Change to SysexBufferSize while device was open");
    EXPECT_EQ(ErrorOf([&] { input->SetSysexBufferCount(2); }),
              "Change to SysexBuffercount while device was open");
    EXPECT_EQ(input->DeviceID(), 0);
    EXPECT_EQ(input->SysexBufferSize(), 4096);
    EXPECT_EQ(input->SysexBufferCount(), 16);
}

TEST_F(InputFixture, ShortMessagesArePackedAndFilteredAsAsked) {
    OpenAndStart();
    int notes = 0;
    input->OnMidiInput = [&](midiports::TMidiInput* sender) {
        EXPECT_EQ(sender, input.get());
        ++notes;
    };
    Inject({0x90, 0x24, 0x64, 0xF8, 0xFE, 0xC9, 0x03});
    ASSERT_TRUE(window.PumpUntil([&] { return notes > 0; }));
    auto note = input->TakeEvent();
    ASSERT_TRUE(note);
    EXPECT_EQ(note->StatusByte, 0x90);
    EXPECT_EQ(note->DataByte1, 0x24);
    EXPECT_EQ(note->DataByte2, 0x64);
    EXPECT_EQ(note->SysexSize, 0);
    EXPECT_EQ(note->SysexData, nullptr);
    auto program = input->TakeEvent();  // timing clock and active sensing never arrive
    ASSERT_TRUE(program);
    EXPECT_EQ(program->StatusByte, 0xC9);
    EXPECT_EQ(program->DataByte1, 0x03);
    EXPECT_FALSE(input->TakeEvent());

    input->SetSysexOnly(true);  // takes effect while open
    Inject({0x90, 0x24, 0x64});
    Inject(Sysex({0x41, 0x10}));
    ASSERT_TRUE(window.PumpUntil([&] { return input->PendingCount() == 1; }));
    EXPECT_EQ(TakeAllSysex(), std::vector<Bytes>{Sysex({0x41, 0x10})});
}

TEST_F(InputFixture, AClosedPortHoldsNothing) {
    EXPECT_EQ(input->PendingCount(), 0);
    EXPECT_FALSE(input->TakeEvent());
    OpenAndStart();
    Inject({0x90, 0x24, 0x64});
    EXPECT_EQ(input->PendingCount(), 1);
    input->Close();
    EXPECT_EQ(input->PendingCount(), 0);
    EXPECT_FALSE(input->TakeEvent());
    EXPECT_EQ(input->Handle(), nullptr);
    EXPECT_FALSE(fake.InputOpen(0));
}

TEST_F(InputFixture, NothingIsRecordedOutsideStartAndStop) {
    input->Open();
    Inject({0x90, 0x24, 0x64});
    EXPECT_EQ(input->PendingCount(), 0);
    input->Start();
    Inject({0x90, 0x24, 0x64});
    input->Stop();
    Inject({0x90, 0x24, 0x64});
    EXPECT_EQ(input->PendingCount(), 1);
}

// The full ring drops the next event and reports it once; its receive buffer goes back to
// the service, so the pool keeps its size and later blocks still arrive.
TEST_F(InputFixture, AFullRingDropsTheNextEventButKeepsItsBuffer) {
    OpenAndStart();
    int overflows = 0;
    input->OnOverflow = [&](midiports::TMidiInput*) { ++overflows; };
    OnServiceThread([&] {
        for (int i = 0; i < 1024; ++i)
            fake.Inject(0, {0x90, static_cast<std::uint8_t>(i & 0x7F), 1});
    });
    EXPECT_EQ(input->PendingCount(), 1024);
    Inject(Sysex({0x41, 0x10, 0x58}));
    EXPECT_EQ(fake.QueuedBuffers(0), 15);  // taken by the lost block
    window.Pump();
    EXPECT_EQ(overflows, 1);
    EXPECT_EQ(input->OverflowCount(), 1u);
    EXPECT_EQ(fake.QueuedBuffers(0), 16);

    EXPECT_EQ(TakeAllSysex().size(), 0u);
    for (int i = 0; i < 16; ++i) Inject(Sysex({0x41, static_cast<std::uint8_t>(i)}));
    EXPECT_EQ(TakeAllSysex().size(), 16u);
    EXPECT_EQ(fake.QueuedBuffers(0), 16);
}

TEST_F(InputFixture, AnEmptyBlockArrivesAsAnEmptyEventAndItsBufferGoesBack) {
    OpenAndStart();
    OnServiceThread([&] { fake.InjectEmptyBlock(0); });
    EXPECT_EQ(fake.QueuedBuffers(0), 15);
    auto event = input->TakeEvent();
    ASSERT_TRUE(event);
    EXPECT_EQ(event->StatusByte, 0xF0);
    EXPECT_EQ(event->SysexSize, 0);
    EXPECT_EQ(event->SysexData, nullptr);
    EXPECT_EQ(fake.QueuedBuffers(0), 16);
}

TEST_F(InputFixture, OpenFailuresLeaveThePortClosedWithoutRaising) {
    fake.FailNext(Call::InOpen, result::kAllocated);
    EXPECT_NO_THROW(input->Open());
    EXPECT_FALSE(input->IsOpen());
    EXPECT_EQ(input->Handle(), nullptr);
    EXPECT_EQ(input->Error(), result::kAllocated);

    // A buffer that fails after the device opened closes the device again.
    for (Call call : {Call::InPrepareHeader, Call::InAddBuffer}) {
        fake.FailNext(call, result::kNoMem);
        EXPECT_NO_THROW(input->Open());
        EXPECT_FALSE(input->IsOpen());
        EXPECT_EQ(input->Handle(), nullptr);
        EXPECT_EQ(input->Error(), result::kNoMem);
        EXPECT_FALSE(fake.InputOpen(0));
    }

    input->SetCapacity(midiports::EventRing::kMaxCapacity + 1);
    input->Open();
    EXPECT_FALSE(input->IsOpen());
    input->SetCapacity(8);
    input->Open();
    EXPECT_TRUE(input->IsOpen());
    EXPECT_EQ(fake.QueuedBuffers(0), 16);
}

TEST_F(InputFixture, ServiceErrorsWhileOpenRaiseTheServiceText) {
    OpenAndStart();
    fake.FailNext(Call::InStop, 999);
    EXPECT_EQ(ErrorOf([&] { input->Stop(); }), "Specified error number is out of range");
    EXPECT_EQ(input->Error(), 999);

    // A buffer that cannot go back keeps its event in the ring for the next try.
    Inject(Sysex({0x41}));
    fake.FailNext(Call::InAddBuffer, result::kNotReady);
    EXPECT_EQ(ErrorOf([&] { input->TakeEvent(); }), ServiceText(result::kNotReady));
    EXPECT_EQ(input->PendingCount(), 1);
    EXPECT_EQ(TakeAllSysex(), std::vector<Bytes>{Sysex({0x41})});

    // A device that refuses to close stays with the port until it is destroyed.
    fake.FailNext(Call::InClose, result::kError);
    EXPECT_EQ(ErrorOf([&] { input->Close(); }), ServiceText(result::kError));
    EXPECT_TRUE(fake.InputOpen(0));
    input.reset();
    EXPECT_FALSE(fake.InputOpen(0));
}

TEST_F(InputFixture, ADeviceThatGoesAwayClosesThePort) {
    OpenAndStart();
    Inject({0x90, 0x24, 0x64});
    int lost = 0;
    input->OnDeviceLost = [&](midiports::TMidiInput*) { ++lost; };
    OnServiceThread([&] { fake.LoseInput(0); });
    ASSERT_TRUE(window.PumpUntil([&] { return lost == 1; }));
    EXPECT_FALSE(input->IsOpen());
    EXPECT_EQ(input->Handle(), nullptr);
    EXPECT_EQ(input->Error(), result::kDeviceLost);
    EXPECT_EQ(input->PendingCount(), 0);
    EXPECT_FALSE(fake.InputOpen(0));
    input->Open();  // the device is gone: the port stays closed, quietly
    EXPECT_FALSE(input->IsOpen());
    EXPECT_EQ(input->Error(), result::kDeviceLost);
}

TEST_F(InputFixture, GarbageAndCutOffBlocksNeverMixWithGoodOnes) {
    OpenAndStart();
    Inject({0x12, 0x34, 0xF7});                          // stray data and a lone end
    Inject({0xF0, 0x41, 0x10});                          // a block cut off ...
    Inject({0x90, 0x24, 0x64});                          // ... by a note
    Inject({0xF0, 0x41, 0xF8, 0x10, 0xFE, 0x58, 0xF7});  // clock and sensing inside a block
    Inject({0xF0, 0x41, 0x10});                          // a block in two pieces
    Inject({0x58, 0x11, 0xF7});
    Inject({0x90, 0x24});  // a short message cut short

    std::vector<std::pair<int, Bytes>> events;
    while (auto event = input->TakeEvent())
        events.emplace_back(event->StatusByte, event->SysexSize ? EventBytes(*event) : Bytes{});
    const std::vector<std::pair<int, Bytes>> expected{
        {0xF0, {0xF0, 0x41, 0x10}},
        {0x90, {}},
        {0xF0, {0xF0, 0x41, 0x10, 0x58, 0xF7}},
        {0xF0, {0xF0, 0x41, 0x10, 0x58, 0x11, 0xF7}},
    };
    EXPECT_EQ(events, expected);
    EXPECT_EQ(fake.QueuedBuffers(0), 16);
}

// A block longer than a receive buffer is dropped whole and counted, never cut or written
// past the buffer; the next block that fits arrives intact.
TEST_F(InputFixture, ABlockLongerThanTheBufferIsDroppedAndCounted) {
    input->SetSysexBufferSize(16);
    input->SetSysexBufferCount(2);
    OpenAndStart();
    int overflows = 0;
    input->OnOverflow = [&](midiports::TMidiInput*) { ++overflows; };
    Bytes tooLong(15, 0x11);
    tooLong.front() = 0xF0;
    tooLong.push_back(0x22);
    tooLong.push_back(0xF7);
    Inject(tooLong);
    Bytes fits(tooLong.begin() + 1, tooLong.end());
    fits.front() = 0xF0;
    Inject(fits);
    window.Pump();
    EXPECT_EQ(overflows, 1);
    EXPECT_EQ(input->DroppedCount(), 1u);
    EXPECT_EQ(TakeAllSysex(), std::vector<Bytes>{fits});
    EXPECT_EQ(fake.QueuedBuffers(0), 2);
}

// The service's thread sends faster than the GUI takes: what arrives is in order, every
// lost event is counted, and when the flood is over the whole buffer pool is back.
TEST_F(InputFixture, AFloodFasterThanTheGuiDrainsLosesCountedEventsOnly) {
    input->SetCapacity(32);
    input->SetSysexBufferCount(8);
    input->SetSysexBufferSize(64);
    input->SetSysexOnly(true);
    OpenAndStart();
    constexpr int kMessages = 20000;
    int overflows = 0;
    input->OnOverflow = [&](midiports::TMidiInput*) { ++overflows; };
    std::vector<int> received;
    input->OnMidiInput = [&](midiports::TMidiInput*) {
        if (auto event = input->TakeEvent()) {  // one per note: slower than the flood
            ASSERT_EQ(event->SysexSize, 5);
            const std::uint8_t* d = event->SysexData.get();
            received.push_back(d[1] << 14 | d[2] << 7 | d[3]);
        }
    };
    std::atomic<bool> done{false};
    std::thread service([&] {
        for (int i = 0; i < kMessages; ++i) {
            fake.Inject(0, {0xF0, static_cast<std::uint8_t>(i >> 14 & 0x7F),
                            static_cast<std::uint8_t>(i >> 7 & 0x7F),
                            static_cast<std::uint8_t>(i & 0x7F), 0xF7});
            fake.Inject(0, {0x90, 0x24, 0x64});  // dropped in the callback
        }
        done = true;
    });
    ASSERT_TRUE(window.PumpUntil([&] {
        return done && input->PendingCount() == 0 &&
               static_cast<int>(received.size()) + overflows == kMessages;
    }));
    service.join();
    window.Pump();
    EXPECT_GT(received.size(), 0u);
    EXPECT_TRUE(std::is_sorted(received.begin(), received.end()));
    EXPECT_EQ(std::adjacent_find(received.begin(), received.end()), received.end());
    EXPECT_EQ(static_cast<std::uint32_t>(overflows),
              input->OverflowCount() + input->DroppedCount());
    EXPECT_EQ(fake.QueuedBuffers(0), 8);
}

}  // namespace
}  // namespace porttest
