#include "editor/files/DropHandler.h"

#include <QCoreApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QMimeData>
#include <QTimer>
#include <QUrl>

#include <filesystem>
#include <system_error>

#include "editor/files/DroppedFile.h"
#include "editor/common/ErrorDisplay.h"
#include "editor/files/FileCommands.h"
#include "editor/shell/MainWindow.h"
#include "td7/files/DumpFiles.h"
#include "td7/files/FileKind.h"
#include "td7/transfers/Transfers.h"

namespace editor {

namespace {

std::filesystem::path ToPath(const QString& file) {
    return QFile::encodeName(file).toStdString();
}

}  // namespace

DropHandler::DropHandler(TfmTamboro& main, FileCommands& files) : m_main(main), m_files(files) {
    m_main.setAcceptDrops(true);
    // Watched for the whole application: a field that takes dropped text (the patch name)
    // would otherwise take a dropped file's path as a name.
    QCoreApplication::instance()->installEventFilter(this);
}

DropHandler::~DropHandler() {
    if (QCoreApplication::instance() != nullptr)
        QCoreApplication::instance()->removeEventFilter(this);
}

QString DropHandler::AcceptableFile(const QMimeData* data) const {
    if (data == nullptr || !data->hasUrls() || m_main.Transfers().Busy()) return {};
    const QList<QUrl> urls = data->urls();
    if (urls.size() != 1 || !urls.first().isLocalFile()) return {};
    const QString file = urls.first().toLocalFile();
    // The size is looked at on the drop; here the extension decides.
    if (KindOfDroppedFile(ToPath(file), 0) == TDroppedFile::None) return {};
    return file;
}

bool DropHandler::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (type != QEvent::DragEnter && type != QEvent::DragMove && type != QEvent::Drop) return false;
    auto* widget = qobject_cast<QWidget*>(watched);
    if (widget == nullptr || (widget != &m_main && !m_main.isAncestorOf(widget))) return false;
    switch (type) {
        case QEvent::DragEnter:
        case QEvent::DragMove: {
            auto* drag = static_cast<QDragMoveEvent*>(event);
            if (AcceptableFile(drag->mimeData()).isEmpty()) {
                // Anything else is left to the control under the mouse.
                if (widget != &m_main) return false;
                drag->ignore();
                return true;
            }
            drag->acceptProposedAction();
            return true;
        }
        case QEvent::Drop: {
            auto* drop = static_cast<QDropEvent*>(event);
            const QString file = AcceptableFile(drop->mimeData());
            if (file.isEmpty()) {
                if (widget != &m_main) return false;
                drop->ignore();
                return true;
            }
            drop->acceptProposedAction();
            // Loaded after the drop has ended: the questions and boxes it may show must not
            // hold up the program the file was dragged from.
            QTimer::singleShot(0, this, [this, file] { DropFile(file); });
            return true;
        }
        default:
            return false;
    }
}

void DropHandler::DropFile(const QString& file) {
    if (m_main.Transfers().Busy()) return;
    m_main.Errors().RunCommand([&] { LoadFile(file); }, &m_main);
}

void DropHandler::LoadFile(const QString& file) {
    const std::filesystem::path path = ToPath(file);
    std::error_code ec;
    const std::uintmax_t size = std::filesystem::file_size(path, ec);
    if (ec) throw td7::FileError(td7::CannotOpenText(path, ec.value()));
    switch (KindOfDroppedFile(path, size)) {
        case TDroppedFile::None:
            return;
        case TDroppedFile::Setup:
            if (m_files.SaveChangedSetupFirst(true)) m_files.LoadSetupFrom(path);
            return;
        case TDroppedFile::Patch:
            m_files.LoadPatchFrom(path);
            return;
        case TDroppedFile::Instruments:
            m_files.LoadInstrumentsFrom(path);
            return;
        case TDroppedFile::System:
            m_files.LoadSystemFrom(path);
            return;
        case TDroppedFile::WrongSize:
            throw td7::FileError(td7::DumpSizeError(size));
    }
}

}  // namespace editor
