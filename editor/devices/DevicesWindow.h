#pragma once

#include <string>
#include <vector>

#include <QDialog>

#include "td7/session/PortSetup.h"

class QComboBox;
class QFrame;
class QLabel;
class QSpinBox;

namespace midiports {
class MidiService;
}

namespace editor {

// `fmDevices` ("Midi Devices..."): the input and output device lists and the module's
// device ID. The lists are read from the system when the window is made and again each
// time it is about to open, so a device plugged in meanwhile can be chosen.
class TfmDevices : public QDialog {
    Q_OBJECT
  public:
    explicit TfmDevices(midiports::MidiService& service, QWidget* parent = nullptr);

    // Choices as setting numbers (input: 0 none, k device k-1; output: 0 none, 1 the
    // mapper, k device k-2). A number not in the list selects "None".
    // With a name, the line of that name is taken when the number now stands for another
    // device (the numbers moved since the port was opened).
    int InputChoice() const;
    void SetInputChoice(int setting, const std::string& name = {});
    int OutputChoice() const;
    void SetOutputChoice(int setting, const std::string& name = {});
    // Reads both lists from the system again.
    void ReadDeviceLists();
    // The field shows the device ID + 1, 1..32.
    int DeviceIdField() const;
    void SetDeviceIdField(int value);
    void SetColor(const QColor& color);

    QComboBox* coInput() const { return m_input; }
    QComboBox* coOutput() const { return m_output; }
    QSpinBox* UpDown1() const { return m_deviceId; }

  private:
    midiports::MidiService& m_service;
    std::vector<td7::TDeviceChoice> m_inputList;
    std::vector<td7::TDeviceChoice> m_outputList;
    QComboBox* m_input;
    QComboBox* m_output;
    QSpinBox* m_deviceId;
    std::vector<QLabel*> m_labels;
    QFrame* m_panel = nullptr;
};

}  // namespace editor
