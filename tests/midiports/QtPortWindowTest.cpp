#include <gtest/gtest.h>

#include <QCoreApplication>
#include <chrono>
#include <cstdlib>
#include <stdexcept>
#include <thread>
#include <vector>

#include "AllocationCount.h"
#include "midiports/MidiInput.h"
#include "midiports/QtPortWindow.h"
#include "tests/support/FakeMidiService.h"

namespace midiports {
namespace {

class QtPortWindowTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        static int argc = 1;
        static char name[] = "qtportwindow";
        static char* argv[] = {name, nullptr};
        static QCoreApplication app(argc, argv);
    }
    void Deliver() { QCoreApplication::processEvents(); }
};

TEST_F(QtPortWindowTest, AFloodFromAnotherThreadCostsOneWakeUpAndArrivesInOrder) {
    QtPortWindow window;
    std::vector<std::uintptr_t> delivered;
    window.SetReceiver([&](std::uint32_t message, std::uintptr_t param) {
        EXPECT_EQ(message, PortMsgData);
        delivered.push_back(param);
    });
    std::thread service([&] {
        for (std::uintptr_t i = 0; i < 200; ++i) EXPECT_TRUE(window.Post(PortMsgData, i));
    });
    service.join();
    EXPECT_EQ(window.WakeUps(), 1);
    Deliver();
    ASSERT_EQ(delivered.size(), 200u);
    for (std::uintptr_t i = 0; i < 200; ++i) EXPECT_EQ(delivered[i], i);

    window.Post(PortMsgDone, 7);
    EXPECT_EQ(window.WakeUps(), 2);
}

TEST_F(QtPortWindowTest, TheServiceThreadWakesTheGuiWithoutAllocatingOrPostingAnEvent) {
    QtPortWindow window;
    int delivered = 0;
    window.SetReceiver([&](std::uint32_t, std::uintptr_t) { ++delivered; });
    // A queued call would reach the window as an event of its own.
    struct EventCount : QObject {
        int events = 0;
        bool eventFilter(QObject*, QEvent*) override {
            ++events;
            return false;
        }
    } filter;
    window.installEventFilter(&filter);

    int allocations = -1;
    std::thread service([&] {
#if TAMBORO_COUNT_ALLOCATIONS
        const int before = counted::t_allocations;
        for (std::uintptr_t i = 0; i < 3; ++i) window.Post(PortMsgData, i);
        allocations = counted::t_allocations - before;
#else
        for (std::uintptr_t i = 0; i < 3; ++i) window.Post(PortMsgData, i);
        allocations = 0;
#endif
    });
    service.join();
    EXPECT_EQ(allocations, 0);
    for (int turn = 0; turn < 100 && delivered < 3; ++turn) Deliver();
    EXPECT_EQ(delivered, 3);
    EXPECT_EQ(filter.events, 0);
}

// The whole receiving path of a note, from the bytes the service hands over to the
// entry in the ring and the wake-up, with the time read on the service's thread.
TEST_F(QtPortWindowTest, NotesAreTimeStampedOnTheServiceThreadWithoutAllocating) {
    testsupport::FakeMidiService service({"Pads"});
    QtPortWindow window;
    TMidiInput input(service, window);
    input.Open();
    input.Start();
    ASSERT_TRUE(input.IsOpen());
    const std::vector<std::uint8_t> first{0x99, 38, 100};
    const std::vector<std::uint8_t> second{0x99, 38, 40};
    std::chrono::steady_clock::time_point before, between, after;
    int allocations = -1;
    std::thread thread([&] {
#if TAMBORO_COUNT_ALLOCATIONS
        const int count = counted::t_allocations;
#endif
        before = std::chrono::steady_clock::now();
        service.Inject(0, first);
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        between = std::chrono::steady_clock::now();
        service.Inject(0, second);
        after = std::chrono::steady_clock::now();
#if TAMBORO_COUNT_ALLOCATIONS
        allocations = counted::t_allocations - count;
#else
        allocations = 0;
#endif
    });
    thread.join();
    EXPECT_EQ(allocations, 0);
    // The GUI takes them later; the stamps stay those of the delivery.
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    const auto a = input.TakeEvent();
    const auto b = input.TakeEvent();
    ASSERT_TRUE(a && b);
    EXPECT_EQ(b->DataByte2, 40);
    EXPECT_GE(a->Delivered, before);
    EXPECT_LE(a->Delivered, between);
    EXPECT_GE(b->Delivered, between);
    EXPECT_LE(b->Delivered, after);
}

TEST_F(QtPortWindowTest, AFullQueueRefusesInsteadOfWaiting) {
    QtPortWindow window;
    int refused = 0;
    for (std::size_t i = 0; i < QtPortWindow::kSlots + 10; ++i)
        if (!window.Post(PortMsgData, i)) ++refused;
    EXPECT_EQ(refused, 10);
}

TEST_F(QtPortWindowTest, AFailingReceiverIsReportedAndTheRestStillArrives) {
    QtPortWindow window;
    std::vector<std::uintptr_t> delivered;
    std::vector<std::string> errors;
    window.OnError = [&](const std::exception& e) { errors.push_back(e.what()); };
    window.SetReceiver([&](std::uint32_t, std::uintptr_t param) {
        if (param == 1) throw std::runtime_error("handler failed");
        delivered.push_back(param);
    });
    for (std::uintptr_t i = 0; i < 3; ++i) window.Post(PortMsgData, i);
    Deliver();
    Deliver();
    EXPECT_EQ(errors, std::vector<std::string>{"handler failed"});
    EXPECT_EQ(delivered, (std::vector<std::uintptr_t>{0, 2}));
}

}  // namespace
}  // namespace midiports
