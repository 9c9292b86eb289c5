#pragma once

#include <vector>

#include <QDialog>

#include "app/PortSetup.h"

class QComboBox;
class QLabel;
class QSpinBox;

namespace midiports {
class MidiService;
}

namespace app {

// `fmDevices` ("Midi Devices..."): the input and output device lists and the module's
// device ID. The lists are filled once, when the window is made.
class TfmDevices : public QDialog {
    Q_OBJECT
  public:
    explicit TfmDevices(midiports::MidiService& service, QWidget* parent = nullptr);

    // Choices as setting numbers (input: 0 none, k device k-1; output: 0 none, 1 the
    // mapper, k device k-2). A number not in the list selects "None".
    int InputChoice() const;
    void SetInputChoice(int setting);
    int OutputChoice() const;
    void SetOutputChoice(int setting);
    // The field shows the device ID + 1, 1..32.
    int DeviceIdField() const;
    void SetDeviceIdField(int value);
    void SetColor(const QColor& color);

    QComboBox* coInput() const { return m_input; }
    QComboBox* coOutput() const { return m_output; }
    QSpinBox* UpDown1() const { return m_deviceId; }

  private:
    QComboBox* m_input;
    QComboBox* m_output;
    QSpinBox* m_deviceId;
    std::vector<QLabel*> m_labels;
};

}  // namespace app
