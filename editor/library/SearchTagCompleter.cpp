#include "editor/library/SearchTagCompleter.h"

#include <QAbstractItemView>
#include <QCompleter>
#include <QLineEdit>
#include <QStringListModel>

namespace editor {

TSearchTagCompleter::TSearchTagCompleter(QLineEdit& field,
                                         std::function<QStringList(const QString&)> tags)
    : QObject(&field),
      m_field(field),
      m_tags(std::move(tags)),
      m_model(new QStringListModel(this)),
      m_completer(new QCompleter(m_model, this)) {
    m_completer->setCaseSensitivity(Qt::CaseInsensitive);
    m_completer->setCompletionMode(QCompleter::PopupCompletion);
    // Not the field's own completer: that one would complete the whole search.
    m_completer->setWidget(&m_field);
    connect(&m_field, &QLineEdit::textEdited, this, [this] { Offer(); });
    connect(m_completer, qOverload<const QString&>(&QCompleter::activated), this,
            [this](const QString& tag) { Insert(tag); });
}

TSearchTagCompleter::TSpan TSearchTagCompleter::TagUnderCursor() const {
    const QString text = m_field.text();
    const int cursor = m_field.cursorPosition();
    int start = cursor;
    while (start > 0 && !text[start - 1].isSpace()) --start;
    if (text.mid(start, 1) == QLatin1String("-")) ++start;
    static const QLatin1String field("tag:");
    if (cursor - start < field.size() ||
        QStringView(text).mid(start, field.size()).compare(field, Qt::CaseInsensitive) != 0)
        return {};
    int end = cursor;
    while (end < text.size() && !text[end].isSpace()) ++end;
    return {static_cast<int>(start + field.size()), end};
}

void TSearchTagCompleter::Offer() {
    const TSpan span = TagUnderCursor();
    if (span.Start < 0) {
        m_completer->popup()->hide();
        return;
    }
    const QString prefix = m_field.text().mid(span.Start, m_field.cursorPosition() - span.Start);
    m_model->setStringList(m_tags(prefix));
    m_completer->setCompletionPrefix(prefix);
    if (m_completer->completionCount() == 0) {
        m_completer->popup()->hide();
        return;
    }
    m_completer->complete();
}

void TSearchTagCompleter::Insert(const QString& tag) {
    const TSpan span = TagUnderCursor();
    if (span.Start < 0) return;
    QString text = m_field.text();
    text.replace(span.Start, span.End - span.Start, tag);
    m_field.setText(text);
    m_field.setCursorPosition(static_cast<int>(span.Start + tag.size()));
}

}  // namespace editor
