#include "editor/instrument/PatchLookupSwitch.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QSignalBlocker>

#include "controls/Colors.h"

namespace editor {

namespace {

constexpr controls::TColor clWindow = controls::clSystemColor + 5;

}  // namespace

TPatchLookupSwitch::TPatchLookupSwitch(QWidget* parent)
    : m_switch(new QCheckBox(QStringLiteral("Enable patch lookup"), parent)),
      m_label(new QLabel(QStringLiteral("Patches:"), parent)),
      m_refs(new QLineEdit(parent)) {
    m_switch->setObjectName(QStringLiteral("cbLookupPatches"));
    m_label->setObjectName(QStringLiteral("laPatches"));
    m_refs->setObjectName(QStringLiteral("edRefs"));
    m_refs->setReadOnly(true);
    m_refs->setToolTip(QStringLiteral("Patches this instrument is used in"));
    m_refs->setStatusTip(m_refs->toolTip());
    m_label->setBuddy(m_refs);
    m_switch->setChecked(true);
    ShowState(true);
    QObject::connect(m_switch, &QCheckBox::toggled, m_switch, [this] { Click(); });
}

bool TPatchLookupSwitch::On() const {
    return m_switch->isChecked();
}

void TPatchLookupSwitch::SetOn(bool on) {
    const QSignalBlocker quiet(m_switch);
    m_switch->setChecked(on);
    Refresh();
    ShowState(on);
}

void TPatchLookupSwitch::Refresh() {
    m_refs->clear();
    if (On() && OnLookup) m_refs->setText(QString::fromLatin1(OnLookup()));
}

void TPatchLookupSwitch::Click() {
    Refresh();
    ShowState(On());
    if (OnSwitch) OnSwitch(On());
}

void TPatchLookupSwitch::ShowState(bool on) {
    controls::SetTextColor(m_label, QPalette::WindowText,
                           controls::ToQColor(on ? controls::clWindowText : controls::clGray));
    m_refs->setEnabled(on);
    QPalette colors = m_refs->palette();
    colors.setColor(QPalette::Base, controls::ToQColor(on ? clWindow : controls::clBtnFace));
    m_refs->setPalette(colors);
}

}  // namespace editor
