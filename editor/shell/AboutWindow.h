#pragma once

#include <functional>

#include <QDialog>
#include <QUrl>

class QLabel;
class QToolButton;

namespace editor {

// `fmAbout`: the program's picture and version, without frame and always on top. It is
// the start-up splash as well as Help > About; a click on it or Escape closes it.
class TfmAbout : public QDialog {
    Q_OBJECT
  public:
    static constexpr int kClientWidth = 384;
    static constexpr int kClientHeight = 174;

    explicit TfmAbout(QWidget* parent = nullptr);

    // Shown without waiting, painted at once, while the other windows are created.
    void ShowSplash();
    // Help > About.
    void ShowModal();

    QLabel* laVersion() const { return m_version; }

    // How the link buttons reach the desktop; tests replace it.
    std::function<void(const QUrl&)> OpenUrl;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;

  private:
    void FormCreate();
    void Panel1Click();
    void SpeedButton1Click();
    void SpeedButton2Click();

    QWidget* m_panel = nullptr;
    QWidget* m_picture = nullptr;
    QLabel* m_version = nullptr;
    QLabel* m_notice = nullptr;
    QToolButton* m_homepage = nullptr;
    QToolButton* m_email = nullptr;
};

}  // namespace editor
