#pragma once

// Colours as the window layouts give them: 0x00BBGGRR for plain colours and
// 0x80000000 + n for the platform's system colour n. Everything that draws converts them
// here, so a layout value and a palette role never disagree.

#include <cstdint>

#include <QColor>
#include <QPalette>

class QWidget;

namespace controls {

using TColor = std::uint32_t;

inline constexpr TColor clBlack = 0x000000;
inline constexpr TColor clGray = 0x808080;
inline constexpr TColor clWhite = 0xFFFFFF;
inline constexpr TColor clBlue = 0xFF0000;

inline constexpr TColor clSystemColor = 0x80000000;
inline constexpr TColor clWindowText = clSystemColor + 8;
inline constexpr TColor clHighlight = clSystemColor + 13;
inline constexpr TColor clHighlightText = clSystemColor + 14;
inline constexpr TColor clBtnFace = clSystemColor + 15;
inline constexpr TColor clBtnHighlight = clSystemColor + 20;
inline constexpr TColor cl3DLight = clSystemColor + 22;

// A plain colour as it stands; a system colour from the palette (the application's
// palette when none is given). An unknown system index gives black.
QColor ToQColor(TColor color, const QPalette& palette);
QColor ToQColor(TColor color);

// The 0x00BBGGRR value of a colour (alpha ignored).
TColor FromQColor(const QColor& color);

// Sets the colour a widget draws its text in (WindowText for captions, Text for edit
// fields) for the enabled states, and repaints; disabled widgets keep the platform's gray.
void SetTextColor(QWidget* widget, QPalette::ColorRole role, const QColor& color);

}  // namespace controls
