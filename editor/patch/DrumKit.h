#pragma once

// The drum-kit picture of the trigger selector: 19 filled pads, one per selector entry,
// stacked in table order. A click goes to the topmost pad whose bounds hold the point, so
// a rim ring is reached outside its head. One pad at a time is highlighted.

#include <array>
#include <chrono>
#include <functional>
#include <optional>
#include <span>
#include <string_view>

#include <QColor>
#include <QWidget>

#include "editor/patch/PatchLayout.h"

class QTimer;

namespace editor {

enum class TPadShape : std::uint8_t { Rectangle, Circle };

struct TPad {
    std::string_view Name;
    int Tag;  // the trigger selector entry the pad stands for
    TPadShape Shape;
    TRect Bounds;        // in the panel
    std::uint32_t Fill;  // 0xRRGGBB
};

inline constexpr int kPadCount = 19;

// The pads bottom to top.
std::span<const TPad> Pads();
// The pad of a selector entry.
const TPad& PadOfTag(int tag);
// The topmost pad whose bounds hold the point, if any.
std::optional<int> PadAt(int x, int y);  // index into Pads()
// A circle pad is the largest circle centred in its bounds.
TRect PadShapeRect(const TPad& pad);

class TDrumKit : public QWidget {
    Q_OBJECT
  public:
    using Clock = std::chrono::steady_clock;
    // A pad's flash fades out within this time.
    static constexpr std::chrono::milliseconds kFlashTime{450};
    // The colour a pad flashes in, drawn over its fill as strongly as the hit was hard.
    static constexpr QRgb kFlashColor = 0xFF3000;

    explicit TDrumKit(QWidget* parent = nullptr);

    // Highlights the pad of the selector entry; the pad highlighted before gets its fill
    // back. Highlighting the highlighted pad again does nothing.
    void Highlight(int tag);
    // The highlighted pad's tag, none before the first selection.
    std::optional<int> Highlighted() const;
    // The pad's fill as it is drawn now.
    QColor FillOf(int tag) const;
    // The centre of a pad's visible part, for clicks in tests and tools.
    QPoint PadCenter(int tag) const;

    // A hit on the pad: it flashes as strongly as velocity (1..127) is of the hardest hit,
    // fading to nothing within kFlashTime. The fade's frames come at the screen's rate.
    void Flash(int tag, int velocity);
    // How strongly the pad flashes now, 0 (not at all) .. 1 (a hit of 127 just now).
    double FlashLevel(int tag) const;
    // The clock of the fades; tests and tools stop it at a moment of their choice.
    std::function<Clock::time_point()> Now = [] { return Clock::now(); };

    // `shPadMouseUp`: a mouse button released over the pad it was pressed on.
    std::function<void(TDrumKit* sender, int tag)> OnPadMouseUp;

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

  private:
    QRect PadRect(int k) const;  // bounds of Pads()[k] in the widget
    int FrameMs() const;         // one frame of the screen the kit is on
    void FadeStep();

    std::array<QColor, kPadCount> m_fills;
    std::optional<int> m_highlighted;  // index into Pads()
    QColor m_savedFill;
    std::optional<int> m_pressed;
    std::array<double, kPadCount> m_flashPeak{};  // 0..1; 0: not flashing
    std::array<Clock::time_point, kPadCount> m_flashStart{};
    QTimer* m_fadeTimer = nullptr;
};

}  // namespace editor
