#pragma once

// The last velocities of the selected trigger as a row of bars, beside the trigger panel's
// knobs: hit the pad, turn threshold or sensitivity, hit again, and compare.

#include <vector>

#include <QWidget>

namespace editor {

class TVelocityRow : public QWidget {
    Q_OBJECT
  public:
    static constexpr int kBars = 8;

    explicit TVelocityRow(QWidget* parent = nullptr);

    // Oldest first; only the last kBars are shown, the newest on the right.
    void SetVelocities(const std::vector<int>& velocities);
    const std::vector<int>& Velocities() const { return m_velocities; }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    std::vector<int> m_velocities;
};

}  // namespace editor
