#include "editor/devices/DevicesWindow.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "td7/session/DeviceMemory.h"

namespace editor {

namespace {

void Fill(QComboBox* box, const std::vector<td7::TDeviceChoice>& list) {
    const int setting = box->currentData().toInt();
    const QString name = box->currentText();
    box->clear();
    for (const auto& choice : list)
        box->addItem(QString::fromStdString(choice.Name), choice.Setting);
    // What was chosen stays chosen, wherever its line went.
    const auto found = td7::FindRememberedDevice(list, setting, name.toStdString());
    const int item = box->findData(found.value_or(0));
    box->setCurrentIndex(item >= 0 ? item : 0);
}

void Select(QComboBox* box, const std::vector<td7::TDeviceChoice>& list, int setting,
            const std::string& name) {
    const int item = box->findData(td7::FindRememberedDevice(list, setting, name).value_or(0));
    box->setCurrentIndex(item >= 0 ? item : 0);
}

}  // namespace

TfmDevices::TfmDevices(midiports::MidiService& service, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint),
      m_service(service),
      m_input(new QComboBox(this)),
      m_output(new QComboBox(this)),
      m_deviceId(new QSpinBox(this)) {
    setObjectName(QStringLiteral("fmDevices"));
    setWindowTitle(QStringLiteral("Midi Devices..."));
    setAutoFillBackground(true);

    m_input->setObjectName(QStringLiteral("coInput"));
    m_output->setObjectName(QStringLiteral("coOutput"));
    m_deviceId->setObjectName(QStringLiteral("UpDown1"));
    m_input->setMinimumWidth(240);
    m_output->setMinimumWidth(240);
    m_input->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    m_output->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    ReadDeviceLists();
    m_deviceId->setRange(1, 32);
    m_deviceId->setValue(17);

    // The lists and their labels sit on a panel in the button-face colour, as on the other
    // windows: the labels read the same on every background the user picks, which shows
    // around the panel.
    m_panel = new QFrame(this);
    m_panel->setObjectName(QStringLiteral("paDevices"));
    m_panel->setFrameShape(QFrame::StyledPanel);
    m_panel->setAutoFillBackground(true);
    QPalette panelColors = m_panel->palette();
    panelColors.setColor(QPalette::Window, panelColors.color(QPalette::Button));
    panelColors.setColor(QPalette::WindowText, panelColors.color(QPalette::ButtonText));
    m_panel->setPalette(panelColors);
    auto* form = new QFormLayout(m_panel);
    for (const auto& [caption, field] : {std::pair<const char*, QWidget*>{"Midi Input:", m_input},
                                         {"Midi Output:", m_output},
                                         {"Device Id:", m_deviceId}}) {
        auto* label = new QLabel(QString::fromLatin1(caption), m_panel);
        label->setBuddy(field);
        m_labels.push_back(label);
        form->addRow(label, field);
    }

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("OK"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Cancel"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_panel);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void TfmDevices::ReadDeviceLists() {
    m_inputList = td7::InputDeviceList(m_service);
    m_outputList = td7::OutputDeviceList(m_service);
    Fill(m_input, m_inputList);
    Fill(m_output, m_outputList);
}

int TfmDevices::InputChoice() const {
    return m_input->currentData().toInt();
}
void TfmDevices::SetInputChoice(int setting, const std::string& name) {
    Select(m_input, m_inputList, setting, name);
}
int TfmDevices::OutputChoice() const {
    return m_output->currentData().toInt();
}
void TfmDevices::SetOutputChoice(int setting, const std::string& name) {
    Select(m_output, m_outputList, setting, name);
}
int TfmDevices::DeviceIdField() const {
    return m_deviceId->value();
}
void TfmDevices::SetDeviceIdField(int value) {
    m_deviceId->setValue(value);
}

void TfmDevices::SetColor(const QColor& color) {
    QPalette p = palette();
    p.setColor(QPalette::Window, color);
    setPalette(p);
}

}  // namespace editor
