#pragma once

// The library's tags offered in a search field as one types the word after "tag:" (or
// "-tag:"): the chosen tag replaces that word, and the rest of the search stays as typed.

#include <QObject>
#include <QStringList>

#include <functional>

class QCompleter;
class QLineEdit;
class QStringListModel;

namespace editor {

class TSearchTagCompleter : public QObject {
    Q_OBJECT
  public:
    // `tags` gives the library's tags that start with a prefix.
    TSearchTagCompleter(QLineEdit& field, std::function<QStringList(const QString& prefix)> tags);

    QCompleter* Completer() const { return m_completer; }

  private:
    // Where the tag under the cursor starts and ends in the field's text; -1 when the
    // cursor is not in a word after "tag:".
    struct TSpan {
        int Start = -1;
        int End = -1;
    };
    TSpan TagUnderCursor() const;
    void Offer();
    void Insert(const QString& tag);

    QLineEdit& m_field;
    std::function<QStringList(const QString&)> m_tags;
    QStringListModel* m_model;
    QCompleter* m_completer;
};

}  // namespace editor
