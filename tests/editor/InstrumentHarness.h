#pragma once

// The instrument and system windows over a mirror of their own: the five collections on a
// recording link, present flags and a viewer, on the offscreen platform. The module's
// answers are offered to the link as the port link would.

#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <QTimer>

#include <memory>
#include <vector>

#include "controls/Error.h"
#include "editor/transfers/ViewSysexWindow.h"
#include "midilink/DeviceIds.h"
#include "simulator/Td7Module.h"
#include "td7/map/PresentFlags.h"
#include "td7/map/Td7Collections.h"
#include "tests/support/RecordingLink.h"

namespace insttest {

inline QApplication& TestApplication() {
    static int argc = 1;
    static char name[] = "instrument_test";
    static char* argv[] = {name, nullptr};
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // Never destroyed: Qt's own objects must not be torn down by the exit handlers.
    static QApplication* application = new QApplication(argc, argv);
    return *application;
}

using Bytes = std::vector<std::uint8_t>;

struct Mirror {
    Mirror() {
        midilink::ClearDeviceIds();
        midilink::SetDeviceId(0, simulator::Td7Module::kDefaultDeviceId);
        previousHandler = controls::SetErrorHandler(
            [this](QWidget*, const std::string& text) { errors.push_back(text); });
    }
    ~Mirror() {
        controls::SetErrorHandler(previousHandler);
        midilink::ClearDeviceIds();
    }

    // Every block of the module, as its answers to requests would bring them.
    void LoadFromModule(simulator::Td7Module& module) {
        for (int k = 0; k < simulator::Td7Module::kBlockCount; ++k) {
            const Bytes message = module.DataSetOf(simulator::Td7Module::BlockAt(k));
            link.OfferSysex(message.data(), static_cast<int>(message.size()));
        }
        for (int p = 0; p < td7::kPatchCount; ++p) present.SetPatchPresent(p, true);
        present.SetInstrumentsPresent(true);
        present.SetSystemPresent(true);
        link.messages.clear();
    }

    std::vector<Bytes> Sent() const { return link.LongMessages(); }

    QApplication& application = TestApplication();  // before any widget
    testsupport::RecordingLink link;
    td7::TTd7Collections dumps{&link, {}, {}};
    td7::TPresentFlags present;
    editor::TfmViewSysex viewer;
    std::vector<std::string> errors;
    controls::ErrorHandler previousHandler;
};

// A data-set message: F0 41 10 58 12, address, data, checksum, F7.
inline Bytes DataSet(const Bytes& addressAndData) {
    Bytes message{0xF0, 0x41, 0x10, 0x58, 0x12};
    int sum = 0;
    for (std::uint8_t byte : addressAndData) {
        message.push_back(byte);
        sum += byte;
    }
    message.push_back(static_cast<std::uint8_t>((128 - sum % 128) & 0x7F));
    message.push_back(0xF7);
    return message;
}

// Runs `inspect` once the modal window that the action opens is up, then closes it.
template <class Action, class Inspect>
void WhileModal(QDialog& dialog, Action&& action, Inspect&& inspect) {
    bool seen = false;
    QTimer::singleShot(0, &dialog, [&] {
        seen = true;
        inspect();
        dialog.done(QDialog::Accepted);
    });
    action();
    ASSERT_TRUE(seen);
}

// Every direct child of the panel lies inside it and overlaps no other: clipped or
// covered controls and labels show here before anyone looks.
inline void ExpectLaidOut(QWidget* panel) {
    const QList<QWidget*> children = panel->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
    for (QWidget* child : children) {
        const std::string name = child->objectName().toStdString();
        EXPECT_TRUE(panel->rect().contains(child->geometry())) << name;
        for (QWidget* other : children) {
            if (other == child) continue;
            EXPECT_FALSE(child->geometry().intersects(other->geometry()))
                << name << " / " << other->objectName().toStdString();
        }
    }
}

}  // namespace insttest
