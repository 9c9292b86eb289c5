#pragma once

// The trigger check's chart: a row per pad with its name, hits, a velocity histogram of 16
// bars, lowest/median/highest, the share at 127, doubles and crosstalk, and the trigger's
// parameters beside it. Painted whole, so that a frame's worth of notes costs one repaint.

#include <QWidget>

#include <optional>
#include <vector>

#include "td7/triggers/TriggerCheck.h"
#include "td7/triggers/TriggerSuggestions.h"

namespace editor {

class TPadChart : public QWidget {
    Q_OBJECT
  public:
    static constexpr int kRowHeight = 22;

    explicit TPadChart(QWidget* parent = nullptr);

    // The check and the pads' values stay with the caller; the chart shows them as they are
    // at each paint.
    void Show(const td7::TTriggerCheck* check,
              const std::vector<std::optional<td7::TTriggerValues>>* values);

    // The parameters' line of a pad: "Treshold 8  Mask T. 13 ..."; empty without values.
    static QString ParametersText(const std::optional<td7::TTriggerValues>& values);

    QSize sizeHint() const override;
    // Every pad's row, whatever the window's size: the scroll area scrolls to the last pad
    // and a saved picture holds them all.
    QSize minimumSizeHint() const override { return sizeHint(); }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    const td7::TTriggerCheck* m_check = nullptr;
    const std::vector<std::optional<td7::TTriggerValues>>* m_values = nullptr;
};

}  // namespace editor
