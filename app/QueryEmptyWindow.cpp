#include "app/QueryEmptyWindow.h"

#include <QFile>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QStyle>

#include "app/ErrorDisplay.h"
#include "app/MainWindow.h"
#include "app/PatchSlots.h"
#include "app/Transfers.h"
#include "midilink/Error.h"

// The default patch is compiled into the program; a static library keeps its resources
// only when something refers to them.
static void InitDefaultPatchResource() {
    Q_INIT_RESOURCE(iniPatch);
}

namespace app {

namespace {

constexpr int kMargin = 8;
constexpr int kTextTop = 4;
constexpr int kBottomMargin = 6;
constexpr int kIconSize = 32;
constexpr int kButtonWidth = 75;
constexpr int kButtonHeight = 25;

}  // namespace

std::vector<std::uint8_t> DefaultPatchResource() {
    InitDefaultPatchResource();
    QFile file(QStringLiteral(":/") + QString::fromLatin1(kDefaultPatchResourceName));
    if (!file.open(QIODevice::ReadOnly)) throw midilink::Error("Stream read error");
    const QByteArray bytes = file.readAll();
    return {bytes.begin(), bytes.end()};
}

TfmQueryEmpty::TfmQueryEmpty(TfmTamboro& main, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      m_main(main),
      m_icon(new QLabel(this)),
      m_text(new QLabel(this)),
      m_initialize(new QPushButton(QStringLiteral("Initialize"), this)),
      m_request(new QPushButton(QStringLiteral("Request"), this)),
      m_cancel(new QPushButton(QStringLiteral("Cancel"), this)) {
    setObjectName(QStringLiteral("fmQueryEmpty"));
    setWindowTitle(QStringLiteral("Empty Patch..."));
    setModal(true);
    setFixedSize(kClientWidth, kClientHeight);

    m_icon->setObjectName(QStringLiteral("Image1"));
    m_icon->setGeometry(kMargin, kMargin, kIconSize, kIconSize);
    m_icon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxQuestion).pixmap(kIconSize));

    const int textLeft = kMargin + kIconSize + kMargin;
    const int buttonTop = kClientHeight - kBottomMargin - kButtonHeight;
    m_text->setObjectName(QStringLiteral("Label1"));
    m_text->setWordWrap(true);
    m_text->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_text->setText(QStringLiteral(
        "You are about to enter an empty patch. Before you can continue, you must either "
        "request it from the unit or initialize it with default values. Please select your "
        "preference..."));
    // Five lines of the text fill the room above the buttons.
    m_text->setGeometry(textLeft, kTextTop, kClientWidth - textLeft - kMargin,
                        buttonTop - kTextTop - 2);

    // Right to left along the bottom.
    int left = kClientWidth - kMargin - kButtonWidth;
    for (auto [button, name] : {std::pair{m_initialize, "Button1"}, std::pair{m_request, "Button2"},
                                std::pair{m_cancel, "Button3"}}) {
        button->setObjectName(QString::fromLatin1(name));
        button->setGeometry(left, buttonTop, kButtonWidth, kButtonHeight);
        button->setAutoDefault(false);
        left -= kButtonWidth + kMargin;
    }
    connect(m_initialize, &QPushButton::clicked, this,
            [this] { Choose(&TfmQueryEmpty::Button1Click); });
    connect(m_request, &QPushButton::clicked, this,
            [this] { Choose(&TfmQueryEmpty::Button2Click); });
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
}

TEmptySlotAnswer TfmQueryEmpty::Query(int p) {
    m_slot = p;
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    m_initialize->setFocus();
    return exec() == QDialog::Accepted ? TEmptySlotAnswer::Filled : TEmptySlotAnswer::Cancel;
}

void TfmQueryEmpty::Choose(void (TfmQueryEmpty::*action)()) {
    accept();
    m_main.Errors().RunCommand([&] { (this->*action)(); }, &m_main);
}

void TfmQueryEmpty::Button1Click() {
    // Slot p becomes present only when all 78 records were read.
    InitializePatch(m_main.Dumps(), m_main.Present(), m_slot, DefaultPatchResource());
    m_main.SetPatchEditing(true);
}

void TfmQueryEmpty::Button2Click() {
    // Marks the slot present and turns editing on when every answer has arrived.
    m_main.Transfers().RequestPatch(m_slot);
}

}  // namespace app
