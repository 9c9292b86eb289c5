#pragma once

// A panel of the patch editor: a raised frame in the button-face colour (whatever the
// window's background), with its title on a small sunken tab that straddles its top edge.

#include <QFont>
#include <QFrame>

class QLabel;

namespace editor {

struct TPanelPlace;

// The panels' serif face and the lists' fixed-pitch face, at their pixel heights.
QFont PanelFont();
QFont ListFont();

class TPatchPanel : public QFrame {
    Q_OBJECT
  public:
    // The panel at its place in parent; a tab is made when the place has a title.
    TPatchPanel(const TPanelPlace& place, QWidget* parent);

    QLabel* TitleTab() const { return m_tab; }
    // A panel lying under another shares that one's tab.
    void ShareTitleTab(QLabel* tab) { m_tab = tab; }

    // The colour of its texts (labels, captions, the tab); disabled ones are drawn in the
    // same colour, so that a disabled panel shows gray rather than the style's etching.
    void SetTextColor(const QColor& color);

  private:
    QLabel* m_tab = nullptr;
};

}  // namespace editor
