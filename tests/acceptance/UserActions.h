#pragma once

// What a user does with the controls, as key presses and mouse events on the real widgets,
// and a log of the bytes each action is expected to change in the module's memory.

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QStyle>
#include <QStyleOption>
#include <QTest>

#include <algorithm>
#include <cstdint>
#include <map>
#include <vector>

#include "controls/Knob.h"
#include "controls/UpDown.h"
#include "midilink/Templates.h"
#include "td7/map/Td7Map.h"
#include "tests/acceptance/MemoryImage.h"

namespace acceptance {

// The control takes the keyboard focus in its window, made active first (closing another
// window leaves none active on some platforms). False when it does not get it.
inline bool Focus(QWidget* control) {
    QWidget* window = control->window();
    if (!window->isActiveWindow()) {
        window->activateWindow();
        if (!QTest::qWaitForWindowActive(window)) return false;
    }
    control->setFocus(Qt::OtherFocusReason);
    return QTest::qWaitFor([control] { return control->hasFocus(); }, 2000);
}

// Clicks line `row` of a list.
inline void ClickLine(QListWidget* list, int row) {
    list->scrollToItem(list->item(row));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualItemRect(list->item(row)).center());
}

// A knob turned to its minimum with Home, then `steps` up with the arrow keys. The module's
// random memory holds values outside the knobs' ranges; starting from the minimum makes
// every turn land on a value the knob can show.
inline void TurnWithKeys(controls::TQvKnob* knob, int steps) {
    Focus(knob);
    QTest::keyClick(knob, Qt::Key_Home);
    for (int k = 0; k < steps; ++k) QTest::keyClick(knob, Qt::Key_Up);
}

// A knob turned to its minimum with Home, then dragged upwards by `pixels`.
inline void DragKnob(controls::TQvKnob* knob, int pixels) {
    Focus(knob);
    QTest::keyClick(knob, Qt::Key_Home);
    const QPoint start(knob->width() / 2, knob->height() / 2);
    auto send = [&](QEvent::Type type, QPoint at, Qt::MouseButtons buttons) {
        QMouseEvent event(type, at, knob->mapToGlobal(at), Qt::LeftButton, buttons, Qt::NoModifier);
        QApplication::sendEvent(knob, &event);
    };
    send(QEvent::MouseButtonPress, start, Qt::LeftButton);
    for (int k = 1; k <= pixels; ++k) send(QEvent::MouseMove, start - QPoint(0, k), Qt::LeftButton);
    send(QEvent::MouseButtonRelease, start - QPoint(0, pixels), Qt::NoButton);
}

// A combo box's first item picked with Home, then `steps` items down with the arrow keys.
inline void StepCombo(QComboBox* combo, int steps) {
    Focus(combo);
    QTest::keyClick(combo, Qt::Key_Home);
    for (int k = 0; k < steps; ++k) QTest::keyClick(combo, Qt::Key_Down);
}

// A click on the box itself, wherever the layout puts it beside its caption.
inline void ClickCheck(QCheckBox* box) {
    QStyleOptionButton option;
    option.initFrom(box);
    const QRect indicator =
        box->style()->subElementRect(QStyle::SE_CheckBoxIndicator, &option, box);
    QTest::mouseClick(box, Qt::LeftButton, {}, indicator.center());
}

// A click on the up-down's upper arrow (the lower one at its maximum).
inline void ClickUpDown(controls::TUpDown* upDown) {
    const bool up = upDown->Position() < upDown->Max();
    QTest::mouseClick(
        upDown, Qt::LeftButton, {},
        QPoint(upDown->width() / 2, up ? upDown->height() / 4 : upDown->height() * 3 / 4));
}

// Replaces the text of a field by typing, then leaves it with Shift+Tab (backwards: the
// instrument window's type field, after the name, rewrites a stored control character as a
// blank when it is merely passed through, which is not what this edit is about).
inline void TypeInto(QLineEdit* field, const QString& text) {
    Focus(field);
    QTest::keyClick(field, Qt::Key_Home);
    QTest::keyClick(field, Qt::Key_End, Qt::ShiftModifier);
    QTest::keyClicks(field, text);
    QTest::keyClick(field, Qt::Key_Backtab, Qt::ShiftModifier);
}

// The bytes the user's actions should have changed, record by record; applied to an image
// of the memory as it was, with each touched record's checksum made again.
class ExpectedEdits {
  public:
    void Set(td7::Block block, int record, int position, int value) {
        m_bytes[{static_cast<int>(block), record}][position] = static_cast<std::uint8_t>(value);
    }
    std::vector<std::uint8_t> AppliedTo(std::vector<std::uint8_t> image) const {
        for (const auto& [key, bytes] : m_bytes) {
            const auto block = static_cast<td7::Block>(key.first);
            std::uint8_t* record = image.data() + ImageOffset(block, key.second);
            for (const auto& [position, value] : bytes) record[position] = value;
            midilink::UpdateChecksum(record, td7::InfoOf(block).Size, midilink::ctRoland);
        }
        return image;
    }

  private:
    std::map<std::pair<int, int>, std::map<int, std::uint8_t>> m_bytes;
};

}  // namespace acceptance
