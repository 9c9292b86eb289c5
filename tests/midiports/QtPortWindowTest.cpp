#include <gtest/gtest.h>

#include <QCoreApplication>
#include <stdexcept>
#include <thread>
#include <vector>

#include "midiports/QtPortWindow.h"

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
