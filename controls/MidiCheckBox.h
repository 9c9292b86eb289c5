#pragma once

#include <functional>

#include <QCheckBox>

#include "controls/BoundControl.h"

namespace controls {

// A check box bound to a module parameter: checked stands for CheckedValue, unchecked for
// UnCheckedValue, and any other value shows grayed. Every change of state that is not a
// value shown from the binding stores and sends, then fires OnUserClick.
class TMidiCheckBox : public QCheckBox, public TBoundControl {
    Q_OBJECT

  public:
    using TNotifyEvent = std::function<void(TMidiCheckBox* sender)>;

    explicit TMidiCheckBox(QWidget* parent = nullptr);
    explicit TMidiCheckBox(const QString& caption, QWidget* parent = nullptr);

    int CheckedValue() const { return m_checkedValue; }
    void SetCheckedValue(int value) { m_checkedValue = value; }
    int UnCheckedValue() const { return m_unCheckedValue; }
    void SetUnCheckedValue(int value) { m_unCheckedValue = value; }

    void ValueToBinding() override;
    void ValueFromBinding(midilink::TValueMidiCom* binding, std::int32_t value) override;
    void UpdateColor() override;

    // Every change of state, by the user or by program.
    TNotifyEvent OnClick;
    // After a change of state has been stored and sent.
    TNotifyEvent OnUserClick;

  protected:
    // A click toggles between checked and unchecked; grayed is only ever shown.
    void nextCheckState() override;

  private:
    void Click();

    int m_checkedValue = 1;
    int m_unCheckedValue = 0;
    bool m_updating = false;
};

}  // namespace controls
