#include "editor/common/BoundControls.h"

#include <QLabel>
#include <QLineEdit>

#include "controls/MidiCheckBox.h"
#include "controls/MidiComboBox.h"
#include "controls/MidiKnob.h"
#include "controls/MidiUpDown.h"
#include "editor/patch/PatchLayout.h"
#include "midilink/MidiCom.h"
#include "td7/history/EditHistory.h"

namespace editor {

namespace {

QString Text(std::string_view text) {
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

void SetHint(QWidget* widget, std::string_view hint) {
    if (hint.empty()) return;
    // The status line shows it while the mouse is over the control; the tooltip as well;
    // and a screen reader names the control by it.
    widget->setStatusTip(Text(hint));
    widget->setToolTip(Text(hint));
    widget->setAccessibleName(Text(hint));
}

QWidget* MakeKnob(const td7::TParameter& row, QWidget* parent) {
    auto* knob = new controls::TMidiKnob(parent);
    // Max first: a Min above the old Max would be cut to it.
    knob->SetMax(row.Max);
    knob->SetMin(row.Min);
    knob->SetKnobColor(controls::clBlack);
    knob->SetOffset(kPatchKnobOffset);
    knob->SetCenterText(Text(row.Caption));
    if (row.ValueText != td7::ValueTextRule::Plain) {
        const td7::ValueTextRule rule = row.ValueText;
        knob->OnValueText = [rule](controls::TQvKnob* sender, QString& text) {
            text = QString::fromStdString(td7::ValueText(rule, sender->Value()));
        };
    }
    SetHint(knob, row.Hint);
    return knob;
}

QWidget* MakeCombo(const td7::TParameter& row, QWidget* parent) {
    auto* combo = new controls::TMidiComboBox(parent);
    for (const std::string& item : td7::Items(row.Items)) combo->addItem(QString::fromStdString(item));
    combo->SetItemHeight(kListLineHeight);
    combo->setMaxVisibleItems(16);
    SetHint(combo, row.Hint);
    return combo;
}

QWidget* MakeCheck(const td7::TParameter& row, QWidget* parent) {
    auto* check = new controls::TMidiCheckBox(Text(row.Caption), parent);
    check->SetCheckedValue(row.CheckedValue);
    check->SetUnCheckedValue(row.UnCheckedValue);
    SetHint(check, row.Hint);
    return check;
}

}  // namespace

void Place(QWidget* widget, const TRect& rect) {
    widget->setGeometry(rect.Left, rect.Top, rect.Width, rect.Height);
}

TBoundControls::TBoundControls(td7::TTd7Collections& collections, midilink::TMidiLink* link,
                               td7::TEditHistory* history)
    : m_collections(collections), m_link(link), m_history(history) {}

QWidget* TBoundControls::Create(const td7::TParameter& row, const TControlPlace& place,
                                QWidget* parent) {
    QWidget* widget = nullptr;
    switch (row.Kind) {
        case td7::ControlKind::Knob:
            widget = MakeKnob(row, parent);
            break;
        case td7::ControlKind::Combo:
            widget = MakeCombo(row, parent);
            break;
        case td7::ControlKind::Check:
            widget = MakeCheck(row, parent);
            break;
        case td7::ControlKind::UpDown: {
            auto* upDown = new controls::TMidiUpDown(parent);
            upDown->SetMax(row.Max);
            upDown->SetMin(row.Min);
            // The field shows the position and takes a typed number, on Enter or when it is
            // left (a channel or program is a long way by arrows).
            auto* field = new QLineEdit(parent);
            field->setObjectName(Text(place.Associate));
            Place(field, place.AssociateRect);
            SetHint(field, row.Hint);
            upDown->SetAssociate(field);
            m_associates.emplace(std::string(row.Name), field);
            widget = upDown;
            break;
        }
    }
    widget->setObjectName(Text(row.Name));
    Place(widget, place.Control);
    if (!place.Label.Empty()) {
        auto* label = new QLabel(Text(row.Caption), parent);
        label->setObjectName(Text(row.Name) + QStringLiteral("Label"));
        Place(label, place.Label);
        // The label names its control for a screen reader (and for the field of an up-down).
        QWidget* associate = Associate(row.Name);
        label->setBuddy(associate != nullptr ? associate : widget);
        m_labels.emplace(std::string(row.Name), label);
    }
    auto* bound = dynamic_cast<controls::TBoundControl*>(widget);
    td7::ConfigureBinding(bound->MidiCom(), row, m_collections, m_link);
    if (m_history)
        bound->OnStore = [history = m_history, parameter = &row](midilink::TValueMidiCom& binding,
                                                                 std::int32_t value) {
            history->SetBinding(binding, *parameter, value);
        };
    m_controls.emplace(std::string(row.Name), widget);
    return widget;
}

QWidget* TBoundControls::Widget(std::string_view name) const {
    const auto found = m_controls.find(name);
    return found == m_controls.end() ? nullptr : found->second;
}

controls::TBoundControl* TBoundControls::Control(std::string_view name) const {
    return dynamic_cast<controls::TBoundControl*>(Widget(name));
}

QLabel* TBoundControls::Label(std::string_view name) const {
    const auto found = m_labels.find(name);
    return found == m_labels.end() ? nullptr : found->second;
}

QWidget* TBoundControls::Associate(std::string_view name) const {
    const auto found = m_associates.find(name);
    return found == m_associates.end() ? nullptr : found->second;
}

void TBoundControls::Retarget(td7::PanelId panel, td7::Selection selection) {
    td7::RetargetPanel(panel, selection, [this](std::string_view name) -> midilink::TMidiCom* {
        controls::TBoundControl* control = Control(name);
        return control ? &control->MidiCom() : nullptr;
    });
}

}  // namespace editor
