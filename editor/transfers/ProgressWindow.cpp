#include "editor/transfers/ProgressWindow.h"

#include <QEvent>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QShortcut>
#include <algorithm>
#include <utility>

#include "editor/shell/Help.h"
#include "editor/common/ScreenCenter.h"

namespace editor {

TfmProgress::TfmProgress(QString helpDir, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      m_helpDir(std::move(helpDir)),
      m_label(new QLabel(QStringLiteral("Dumps sent:"), this)),
      m_count(new QLineEdit(QStringLiteral("0"), this)),
      m_fastLine(new QLabel(this)),
      m_bar(new QProgressBar(this)),
      m_cancelButton(new QPushButton(QStringLiteral("Cancel"), this)) {
    setObjectName(QStringLiteral("fmProgress"));
    setWindowTitle(QStringLiteral("Transmit Progress..."));

    m_label->setObjectName(QStringLiteral("Label1"));
    m_count->setObjectName(QStringLiteral("edCount"));
    m_count->setReadOnly(true);
    m_fastLine->setObjectName(QStringLiteral("lbFast"));
    m_fastLine->hide();
    m_bar->setObjectName(QStringLiteral("ProgressBar1"));
    m_bar->setTextVisible(false);
    m_bar->setRange(0, 100);
    m_bar->setValue(0);
    m_cancelButton->setObjectName(QStringLiteral("btnCancel"));
    connect(m_cancelButton, &QPushButton::clicked, this, &TfmProgress::btnCancelClick);
    auto* help = new QShortcut(QKeySequence(Qt::Key_F1), this);
    connect(help, &QShortcut::activated, this, [this] {
        if (!m_help) m_help = std::make_unique<THelpWindow>(m_helpDir, this);
        m_help->ShowContext(kHelpTransfers);
    });
    Arrange();
}

TfmProgress::~TfmProgress() = default;

void TfmProgress::Arrange() {
    const QFontMetrics metrics = fontMetrics();
    // As wide as the widest of the stages' labels, so the window keeps its size.
    int textWidth = metrics.horizontalAdvance(m_label->text());
    for (const QString& text : {QStringLiteral("Dumps read:"), QStringLiteral("Dumps verified:")})
        textWidth = std::max(textWidth, metrics.horizontalAdvance(text));
    const int labelWidth = std::max(80, textWidth + 4);
    const int lineHeight = std::max(21, metrics.height() + 6);
    m_label->setGeometry(12, 14, labelWidth, lineHeight);
    const int countLeft = std::max(96, 12 + labelWidth + 4);
    // Room for six digits: a full backup counts into the thousands.
    const int countWidth = std::max(64, metrics.horizontalAdvance(QStringLiteral("000000")) + 10);
    m_count->setGeometry(countLeft, 12, countWidth, lineHeight);
    int width = std::max(290, countLeft + countWidth + 12);
    if (!m_fastLine->isHidden())
        width = std::max(
            width,
            metrics.horizontalAdvance(QStringLiteral("Dumps verified: 000000, pace 100 ms")) + 24);
    int barTop = std::max(44, 12 + lineHeight + 11);
    if (!m_fastLine->isHidden()) {
        m_fastLine->setGeometry(12, barTop - 4, width - 24, lineHeight);
        barTop += lineHeight;
    }
    m_bar->setGeometry(12, barTop, width - 24, 16);
    const int buttonWidth = std::max(75, metrics.horizontalAdvance(m_cancelButton->text()) + 24);
    const int buttonHeight = std::max(25, metrics.height() + 10);
    const int buttonTop = barTop + 24;
    m_cancelButton->setGeometry((width - buttonWidth) / 2, buttonTop, buttonWidth, buttonHeight);
    setFixedSize(width, std::max(100, buttonTop + buttonHeight + 7));
}

void TfmProgress::changeEvent(QEvent* event) {
    QDialog::changeEvent(event);
    if (event->type() == QEvent::FontChange) Arrange();
}

void TfmProgress::Start(int range) {
    m_label->setText(QStringLiteral("Dumps sent:"));
    m_fastLine->hide();
    Arrange();
    m_bar->setRange(0, range);
    m_bar->setValue(0);
    m_sent = 0;
    m_count->setText(QStringLiteral("0"));
    m_cancel = false;
    CenterOnScreen(*this);
    show();
    raise();
}

void TfmProgress::BeginPhase(td7::TTransferPhase phase, int range) {
    m_label->setText(phase == td7::TTransferPhase::Read     ? QStringLiteral("Dumps read:")
                     : phase == td7::TTransferPhase::Verify ? QStringLiteral("Dumps verified:")
                                                       : QStringLiteral("Dumps sent:"));
    Arrange();
    m_bar->setRange(0, std::max(range, 1));
    m_bar->setValue(0);
    m_sent = 0;
    m_count->setText(QStringLiteral("0"));
}

void TfmProgress::Step() {
    int position = m_bar->value() + 1;
    if (position > m_bar->maximum()) position = m_bar->minimum() + 1;
    m_bar->setValue(position);
    ++m_sent;
    m_count->setText(QString::number(m_sent));
}

void TfmProgress::FastCounts(int sent, int verified, int paceMs) {
    m_count->setText(QString::number(sent));
    m_fastLine->setText(QStringLiteral("Dumps verified: %1, pace %2 ms").arg(verified).arg(paceMs));
    if (m_fastLine->isHidden()) {
        m_fastLine->show();
        Arrange();
    }
}

void TfmProgress::reject() {
    btnCancelClick();
}

void TfmProgress::btnCancelClick() {
    m_cancel = true;
}

}  // namespace editor
