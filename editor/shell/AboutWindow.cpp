#include "editor/shell/AboutWindow.h"

#include <QDesktopServices>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QToolButton>

#include "editor/common/ScreenCenter.h"
#include "td7/settings/Version.h"

namespace editor {

namespace {

const QUrl kHomepage(QStringLiteral("https://tamboro.example.org/"));
const QUrl kEmail(QStringLiteral("mailto:tamboro@example.org?subject=Tamboro"));

QFont ArialPixels(int pixels, bool bold = false) {
    QFont font(QStringLiteral("Arial"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(pixels);
    font.setBold(bold);
    return font;
}

// The program's picture: the name, and a few drum heads seen from above. The lower half
// stays white for the version text and the link buttons that lie on it.
class AboutPicture : public QWidget {
  public:
    using QWidget::QWidget;

  protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        const auto head = [&p](QPointF centre, qreal r, QColor rim, QColor skin) {
            p.setPen(QPen(rim, 3));
            p.setBrush(skin);
            p.drawEllipse(centre, r, r);
        };
        const QColor shell(0x3C, 0x3F, 0x46);
        const QColor cymbal(0xD9, 0xD9, 0x00);
        head({300, 30}, 22, cymbal.darker(130), cymbal);
        head({345, 44}, 15, shell, QColor(0xF2, 0xF2, 0xF2));
        head({262, 46}, 14, shell, QColor(0xF2, 0xF2, 0xF2));
        head({318, 128}, 24, shell, QColor(0xF2, 0xF2, 0xF2));
        p.setPen(QColor(0x00, 0x3F, 0x7F));
        QFont title(QStringLiteral("Arial"));
        title.setStyleHint(QFont::SansSerif);
        title.setPixelSize(38);
        title.setBold(true);
        title.setItalic(true);
        p.setFont(title);
        p.drawText(QRect(6, 4, 240, 44), Qt::AlignLeft | Qt::AlignVCenter,
                   QString::fromLatin1(td7::kApplicationTitle));
        p.setFont(ArialPixels(12));
        p.setPen(QColor(0x40, 0x40, 0x40));
        p.drawText(QRect(8, 44, 240, 16), Qt::AlignLeft | Qt::AlignVCenter,
                   QStringLiteral("Roland TD-7 editor and librarian"));
    }
};

QToolButton* LinkButton(const QString& caption, QWidget* parent) {
    auto* button = new QToolButton(parent);
    button->setText(caption);
    button->setAutoRaise(true);
    button->setCursor(Qt::PointingHandCursor);
    button->setFont(ArialPixels(19, true));
    QPalette palette = button->palette();
    palette.setColor(QPalette::ButtonText, QColor(0x00, 0x7F, 0xFF));
    button->setPalette(palette);
    return button;
}

}  // namespace

TfmAbout::TfmAbout(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      OpenUrl([](const QUrl& url) { QDesktopServices::openUrl(url); }) {
    setObjectName(QStringLiteral("fmAbout"));
    setFixedSize(kClientWidth, kClientHeight);
    QPalette white = palette();
    white.setColor(QPalette::Window, Qt::white);
    white.setColor(QPalette::WindowText, Qt::black);
    setPalette(white);
    setAutoFillBackground(true);

    auto* panel = new QFrame(this);
    panel->setObjectName(QStringLiteral("Panel1"));
    panel->setFrameStyle(QFrame::Panel | QFrame::Raised);
    panel->setLineWidth(2);
    panel->setGeometry(0, 0, kClientWidth, kClientHeight);
    m_panel = panel;
    auto* frame = new QFrame(panel);
    frame->setFrameStyle(QFrame::Box | QFrame::Sunken);
    frame->setGeometry(5, 5, kClientWidth - 10, kClientHeight - 10);

    m_picture = new AboutPicture(this);
    m_picture->setObjectName(QStringLiteral("Image1"));
    m_picture->setGeometry(10, 7, 363, 158);

    auto* line = new QFrame(this);
    line->setFrameStyle(QFrame::HLine | QFrame::Plain);
    line->setGeometry(14, 68, 355, 1);

    m_version = new QLabel(this);
    m_version->setObjectName(QStringLiteral("laVersion"));
    m_version->setFont(ArialPixels(11));
    m_version->move(16, 74);

    m_notice = new QLabel(
        QStringLiteral("Freeware. Use it at your own risk; no warranty of any kind."), this);
    m_notice->setObjectName(QStringLiteral("Label1"));
    m_notice->setFont(ArialPixels(11));
    m_notice->move(16, 90);
    m_notice->adjustSize();

    m_homepage = LinkButton(QStringLiteral("Homepage"), this);
    m_homepage->setObjectName(QStringLiteral("SpeedButton1"));
    m_homepage->setGeometry(12, 135, 109, 25);
    m_email = LinkButton(QStringLiteral("Email"), this);
    m_email->setObjectName(QStringLiteral("SpeedButton2"));
    m_email->setGeometry(138, 135, 109, 25);
    connect(m_homepage, &QToolButton::clicked, this, &TfmAbout::SpeedButton1Click);
    connect(m_email, &QToolButton::clicked, this, &TfmAbout::SpeedButton2Click);

    // The window sees key presses and clicks before its controls do.
    for (QWidget* w : {m_panel, m_picture, static_cast<QWidget*>(m_version),
                       static_cast<QWidget*>(m_notice), static_cast<QWidget*>(m_homepage),
                       static_cast<QWidget*>(m_email), static_cast<QWidget*>(frame)})
        w->installEventFilter(this);

    FormCreate();
}

void TfmAbout::FormCreate() {
    m_version->setText(QString::fromStdString(td7::VersionText()));
    m_version->adjustSize();
}

void TfmAbout::ShowSplash() {
    CenterOnScreen(*this);
    show();
    raise();
    repaint();
}

void TfmAbout::ShowModal() {
    CenterOnScreen(*this);
    exec();
}

bool TfmAbout::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyRelease) {
        keyReleaseEvent(static_cast<QKeyEvent*>(event));
        return event->isAccepted();
    }
    if (event->type() == QEvent::MouseButtonRelease && watched != m_homepage &&
        watched != m_email) {
        Panel1Click();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void TfmAbout::keyReleaseEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        Panel1Click();
        event->accept();
        return;
    }
    event->ignore();
}

void TfmAbout::Panel1Click() {
    done(QDialog::Accepted);
}

void TfmAbout::SpeedButton1Click() {
    if (OpenUrl) OpenUrl(kHomepage);
}

void TfmAbout::SpeedButton2Click() {
    if (OpenUrl) OpenUrl(kEmail);
}

}  // namespace editor
