#pragma once

// `lbInst`: the list of the 512 instruments. Its lines hold nothing: each is drawn from
// the records when it is painted, so a renamed instrument shows at its next repaint.

#include <functional>
#include <string>
#include <string_view>

#include <QListView>

class QAbstractListModel;

namespace editor {

// "%3d: %s": the 1-based number right-aligned in three characters and the instrument's
// name text. Characters below 32 (a record never filled) are drawn as blanks.
std::string InstrumentLine(int i, std::string_view nameText);

class TInstrumentList : public QListView {
    Q_OBJECT
  public:
    static constexpr int kLines = 512;
    static constexpr int kLineHeight = 14;

    using TLineTextEvent = std::function<std::string(int index)>;
    using TNotifyEvent = std::function<void(TInstrumentList* sender)>;

    explicit TInstrumentList(QWidget* parent = nullptr);
    ~TInstrumentList() override;

    // The selected line, 0..511. Setting it scrolls it into view and fires nothing.
    int ItemIndex() const;
    void SetItemIndex(int index);
    // Repaints one line, after its instrument changed.
    void RedrawLine(int index);

    // The text of a line (lbInstDrawItem).
    TLineTextEvent OnDrawItem;
    // The user selected a line, by mouse or by keys.
    TNotifyEvent OnClick;

    // The text drawn on a line: OnDrawItem's, else empty.
    QString LineText(int index) const;

  private:
    void CurrentChanged(int index);

    QAbstractListModel* m_model;
    bool m_settingIndex = false;
};

}  // namespace editor
