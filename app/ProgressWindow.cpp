#include "app/ProgressWindow.h"

#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>

namespace app {

TfmProgress::TfmProgress(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      m_label(new QLabel(QStringLiteral("Dumps sent:"), this)),
      m_count(new QLineEdit(QStringLiteral("0"), this)),
      m_bar(new QProgressBar(this)),
      m_cancelButton(new QPushButton(QStringLiteral("Cancel"), this)) {
    setObjectName(QStringLiteral("fmProgress"));
    setWindowTitle(QStringLiteral("Transmit Progress..."));
    setFixedSize(290, 100);

    m_label->setObjectName(QStringLiteral("Label1"));
    m_label->setGeometry(12, 14, 80, 21);
    m_count->setObjectName(QStringLiteral("edCount"));
    m_count->setReadOnly(true);
    m_count->setGeometry(96, 12, 64, 21);
    m_bar->setObjectName(QStringLiteral("ProgressBar1"));
    m_bar->setGeometry(12, 44, 266, 16);
    m_bar->setTextVisible(false);
    m_bar->setRange(0, 100);
    m_bar->setValue(0);
    m_cancelButton->setObjectName(QStringLiteral("btnCancel"));
    m_cancelButton->setGeometry(107, 68, 75, 25);
    connect(m_cancelButton, &QPushButton::clicked, this, &TfmProgress::btnCancelClick);
}

void TfmProgress::Start(int range) {
    m_bar->setRange(0, range);
    m_bar->setValue(0);
    m_sent = 0;
    m_count->setText(QStringLiteral("0"));
    m_cancel = false;
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    show();
    raise();
}

void TfmProgress::Step() {
    int position = m_bar->value() + 1;
    if (position > m_bar->maximum()) position = m_bar->minimum() + 1;
    m_bar->setValue(position);
    ++m_sent;
    m_count->setText(QString::number(m_sent));
}

void TfmProgress::reject() {
    btnCancelClick();
}

void TfmProgress::btnCancelClick() {
    m_cancel = true;
}

}  // namespace app
