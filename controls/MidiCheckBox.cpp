#include "controls/MidiCheckBox.h"

#include "controls/Colors.h"
#include "controls/Error.h"

namespace controls {

TMidiCheckBox::TMidiCheckBox(QWidget* parent) : TMidiCheckBox(QString(), parent) {}

TMidiCheckBox::TMidiCheckBox(const QString& caption, QWidget* parent) : QCheckBox(caption, parent) {
    connect(this, &QCheckBox::stateChanged, this,
            [this](int) { GuardUserAction(this, [this] { Click(); }); });
}

void TMidiCheckBox::nextCheckState() {
    setCheckState(checkState() == Qt::Checked ? Qt::Unchecked : Qt::Checked);
}

void TMidiCheckBox::Click() {
    if (OnClick) OnClick(this);
    if (m_updating) return;
    ValueToBinding();
    if (OnUserClick) OnUserClick(this);
}

void TMidiCheckBox::ValueToBinding() {
    StoreValue(checkState() == Qt::Checked ? m_checkedValue : m_unCheckedValue);
    UpdateColor();
}

void TMidiCheckBox::ValueFromBinding(midilink::TValueMidiCom*, std::int32_t value) {
    struct Updating {
        bool& flag;
        explicit Updating(bool& f) : flag(f) { flag = true; }
        ~Updating() { flag = false; }
    } updating(m_updating);
    // CheckedValue first: when both values are equal the box shows checked.
    if (value == m_checkedValue)
        setCheckState(Qt::Checked);
    else if (value == m_unCheckedValue)
        setCheckState(Qt::Unchecked);
    else
        setCheckState(Qt::PartiallyChecked);
    UpdateColor();
}

void TMidiCheckBox::UpdateColor() {
    const Qt::CheckState state = checkState();
    const int shown = state == Qt::Checked ? m_checkedValue : m_unCheckedValue;
    const bool normal = state == Qt::PartiallyChecked || shown == MidiCom().Default();
    // The caption takes the colour; the check mark keeps its own.
    SetTextColor(this, QPalette::WindowText, ToQColor(normal ? clBlack : clBlue));
}

}  // namespace controls
