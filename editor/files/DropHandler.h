#pragma once

#include <QObject>
#include <QString>

class QMimeData;

namespace editor {

class FileCommands;
class TfmTamboro;

// Files dropped on the main window. A setup (".td7") loads as "Load Setup..." loads it,
// with the question to save a changed setup first; a dump file (".syx") loads by its size
// as a patch into the current slot, as the instruments or as the system block, as its
// menu command loads it. A dump file of no dump size is refused with that command's text.
// One file at a time; nothing is taken while a transfer runs. It must go before the main
// window and the file commands.
class DropHandler : public QObject {
    Q_OBJECT
  public:
    DropHandler(TfmTamboro& main, FileCommands& files);
    ~DropHandler() override;

    // The file of a drag the window takes; empty when it takes none.
    QString AcceptableFile(const QMimeData* data) const;
    // Loads the file; a failure shows in the error box.
    void DropFile(const QString& file);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void LoadFile(const QString& file);

    TfmTamboro& m_main;
    FileCommands& m_files;
};

}  // namespace editor
