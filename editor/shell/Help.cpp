#include "editor/shell/Help.h"

#include <QFile>
#include <QPushButton>
#include <QTextBrowser>
#include <QVBoxLayout>

#include <filesystem>

// The help file is compiled into the program; a static library keeps its resources only
// when something refers to them.
static void InitHelpResource() {
    Q_INIT_RESOURCE(help);
}

namespace editor {

namespace {

QString ReadAll(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    return QString::fromUtf8(file.readAll());
}

}  // namespace

QString HelpFileText(const QString& programDir) {
    // The pictures come from the program's resources, whichever copy of the text is read.
    InitHelpResource();
    if (!programDir.isEmpty()) {
        const std::filesystem::path dir = QFile::encodeName(programDir).toStdString();
        for (const std::filesystem::path& file : {dir / td7::kHelpFileName, td7::InstalledHelpFile(dir)}) {
            QString text = ReadAll(QFile::decodeName(file.c_str()));
            if (!text.isEmpty()) return text;
        }
    }
    InitHelpResource();
    return ReadAll(QStringLiteral(":/help/") + QString::fromLatin1(td7::kHelpFileName));
}

THelpWindow::THelpWindow(const QString& programDir, QWidget* parent)
    : QDialog(parent), m_browser(new QTextBrowser(this)) {
    setObjectName(QStringLiteral("fmHelp"));
    setWindowTitle(QStringLiteral("Tamboro Help"));
    resize(520, 460);
    m_browser->setObjectName(QStringLiteral("HelpText"));
    m_browser->setOpenLinks(true);
    m_browser->setHtml(HelpFileText(programDir));
    auto* close = new QPushButton(QStringLiteral("Close"), this);
    connect(close, &QPushButton::clicked, this, &QDialog::close);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_browser);
    layout->addWidget(close, 0, Qt::AlignRight);
}

void THelpWindow::ShowContents() {
    ShowAnchor(QStringLiteral("contents"));
}

void THelpWindow::ShowContext(int context) {
    ShowAnchor(QString::number(context));
}

void THelpWindow::ShowAnchor(const QString& anchor) {
    m_anchor = anchor;
    show();
    raise();
    activateWindow();
    m_browser->scrollToAnchor(anchor);
}

}  // namespace editor
