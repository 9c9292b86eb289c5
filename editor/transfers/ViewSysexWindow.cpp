#include "editor/transfers/ViewSysexWindow.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextDocument>

#include <algorithm>

#include "midilink/MidiDump.h"

namespace editor {

TfmViewSysex::TfmViewSysex(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint),
      m_memo(new QPlainTextEdit(this)),
      m_close(new QPushButton(QStringLiteral("Close"), this)) {
    setObjectName(QStringLiteral("fmViewSysex"));
    setWindowTitle(QStringLiteral("Sysex Viewer..."));
    setFixedSize(426, 173);

    m_memo->setObjectName(QStringLiteral("Memo1"));
    m_memo->setGeometry(4, 4, 337, 165);
    QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    fixed.setPixelSize(11);
    m_memo->setFont(fixed);
    m_memo->setLineWrapMode(QPlainTextEdit::NoWrap);
    // A line of 16 bytes fits the box; the longest record has four lines.
    m_memo->document()->setDocumentMargin(2);
    m_memo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_memo->setPlainText(QStringLiteral("00 01 02 03 04 05 06 07 08 09 10 11 12 13 14 15"));

    m_close->setObjectName(QStringLiteral("Button1"));
    // The button grows with a larger system font, and the window with it.
    const QFontMetrics metrics = m_close->fontMetrics();
    const int closeWidth = std::max(75, metrics.horizontalAdvance(m_close->text()) + 24);
    m_close->setGeometry(348, 4, closeWidth, std::max(25, metrics.height() + 10));
    setFixedSize(std::max(426, 348 + closeWidth + 3), 173);
    m_close->setDefault(true);
    connect(m_close, &QPushButton::clicked, this, &QDialog::accept);
}

void TfmViewSysex::SetLines(const std::vector<std::string>& lines) {
    QStringList text;
    for (const auto& line : lines) text << QString::fromStdString(line);
    m_memo->setPlainText(text.join(QLatin1Char('\n')));
}

void TfmViewSysex::ShowRecord(midilink::TMidiDump& record) {
    std::vector<std::string> lines;
    record.ToStrings(lines, 16);
    SetLines(lines);
    exec();
}

}  // namespace editor
