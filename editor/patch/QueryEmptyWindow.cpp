#include "editor/patch/QueryEmptyWindow.h"

#include <QEvent>
#include <QFile>
#include <QFontMetrics>
#include <QLabel>
#include <QPushButton>
#include <QStyle>

#include <algorithm>

#include "editor/common/ErrorDisplay.h"
#include "editor/shell/MainWindow.h"
#include "editor/common/ScreenCenter.h"
#include "midilink/Error.h"
#include "td7/history/EditHistory.h"
#include "td7/history/PatchSlots.h"
#include "td7/transfers/Transfers.h"

// The default patch is compiled into the program; a static library keeps its resources
// only when something refers to them.
static void InitDefaultPatchResource() {
    Q_INIT_RESOURCE(iniPatch);
}

namespace editor {

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
    QFile file(QStringLiteral(":/") + QString::fromLatin1(td7::kDefaultPatchResourceName));
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

    m_icon->setObjectName(QStringLiteral("Image1"));
    m_icon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxQuestion).pixmap(kIconSize));
    m_text->setObjectName(QStringLiteral("Label1"));
    m_text->setWordWrap(true);
    m_text->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_text->setText(QStringLiteral(
        "You are about to enter an empty patch. Before you can continue, you must either "
        "request it from the unit or initialize it with default values. Please select your "
        "preference..."));
    for (auto [button, name] : {std::pair{m_initialize, "Button1"}, std::pair{m_request, "Button2"},
                                std::pair{m_cancel, "Button3"}}) {
        button->setObjectName(QString::fromLatin1(name));
        button->setAutoDefault(false);
    }
    Arrange();
    connect(m_initialize, &QPushButton::clicked, this,
            [this] { Choose(&TfmQueryEmpty::Button1Click); });
    connect(m_request, &QPushButton::clicked, this,
            [this] { Choose(&TfmQueryEmpty::Button2Click); });
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
}

// 280 x 110 at the normal font; a larger font widens the buttons and the dialog with them,
// and the dialog grows down until the whole text fits above the buttons.
void TfmQueryEmpty::Arrange() {
    const QFontMetrics metrics = fontMetrics();
    int buttonWidth = kButtonWidth;
    for (const QPushButton* button : {m_initialize, m_request, m_cancel})
        buttonWidth = std::max(buttonWidth, metrics.horizontalAdvance(button->text()) + 24);
    const int buttonHeight = std::max(kButtonHeight, metrics.height() + 10);
    const int width = std::max(kClientWidth, 3 * buttonWidth + 4 * kMargin);

    m_icon->setGeometry(kMargin, kMargin, kIconSize, kIconSize);
    const int textLeft = kMargin + kIconSize + kMargin;
    const int textWidth = width - textLeft - kMargin;
    const int textHeight =
        metrics.boundingRect(QRect(0, 0, textWidth, 0), Qt::TextWordWrap, m_text->text()).height();
    // Five lines of the text fill the room above the buttons at the normal font.
    const int fixedTextHeight = kClientHeight - kBottomMargin - kButtonHeight - kTextTop - 2;
    const int labelHeight = std::max(fixedTextHeight, textHeight);
    m_text->setGeometry(textLeft, kTextTop, textWidth, labelHeight);

    const int buttonTop = kTextTop + labelHeight + 2;
    // Right to left along the bottom.
    int left = width - kMargin - buttonWidth;
    for (QPushButton* button : {m_initialize, m_request, m_cancel}) {
        button->setGeometry(left, buttonTop, buttonWidth, buttonHeight);
        left -= buttonWidth + kMargin;
    }
    setFixedSize(width, buttonTop + buttonHeight + kBottomMargin);
}

void TfmQueryEmpty::changeEvent(QEvent* event) {
    QDialog::changeEvent(event);
    if (event->type() == QEvent::FontChange) Arrange();
}

TEmptySlotAnswer TfmQueryEmpty::Query(int p) {
    m_slot = p;
    CenterOnScreen(*this);
    m_initialize->setFocus();
    return exec() == QDialog::Accepted ? TEmptySlotAnswer::Filled : TEmptySlotAnswer::Cancel;
}

void TfmQueryEmpty::Choose(void (TfmQueryEmpty::*action)()) {
    accept();
    m_main.Errors().RunCommand([&] { (this->*action)(); }, &m_main);
}

void TfmQueryEmpty::Button1Click() {
    // Slot p becomes present only when all 78 records were read.
    m_main.History().RecordCommand(
        "Initialize Patch", {td7::Block::Prog, m_slot, {}}, td7::kPatchBlocks, [this] {
            td7::InitializePatch(m_main.Dumps(), m_main.Present(), m_slot, DefaultPatchResource());
        });
    m_main.SetPatchEditing(true);
}

void TfmQueryEmpty::Button2Click() {
    // Marks the slot present and turns editing on when every answer has arrived.
    m_main.Transfers().RequestPatch(m_slot);
}

}  // namespace editor
