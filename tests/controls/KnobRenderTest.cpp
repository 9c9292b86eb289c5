#include <gtest/gtest.h>

#include <QDir>
#include <QImage>
#include <QPainter>
#include <QTest>

#include "controls/Knob.h"
#include "tests/controls/TestApp.h"

namespace controls {
namespace {

// Renders knobs as the windows show them, at normal and double pixel density, and saves
// them under /tmp for a person to look at.
class KnobRenderTest : public controls_test::WithTestApp, public ::testing::TestWithParam<int> {
  protected:
    QImage Render(TQvKnob& knob, const char* name) {
        const int ratio = GetParam();
        QImage image(knob.size() * ratio, QImage::Format_ARGB32_Premultiplied);
        image.setDevicePixelRatio(ratio);
        image.fill(Qt::magenta);
        knob.render(&image);
        QDir().mkpath(kFolder);
        image.save(QString("%1/%2@%3x.png").arg(kFolder, name).arg(ratio));
        return image;
    }

    // The pixel under a point given in the knob's own coordinates.
    QColor At(const QImage& image, double x, double y) const {
        const int ratio = GetParam();
        return image.pixelColor(static_cast<int>(x * ratio), static_cast<int>(y * ratio));
    }

    // As on the editor's panels: Offset 5 and a small serif font on gray.
    static void Program(TQvKnob& knob) {
        knob.resize(29, 37);
        knob.SetOffset(5);
        knob.SetColor(clGray);
        QFont font("DejaVu Serif");
        font.setPixelSize(9);
        knob.setFont(font);
    }

    static constexpr const char* kFolder = "/tmp/tamboro-knobs";
};

TEST_P(KnobRenderTest, BodyDotAndBackgroundHaveTheirColours) {
    TQvKnob knob;
    Program(knob);
    knob.SetValue(50);
    const QImage image = Render(knob, "middle");

    const TKnobLayout layout = knob.Layout();
    const QRect body = BodyBox(layout);
    const QRect dot = IndicatorBox(layout, QPoint(0, -IndicatorRadius(layout)));
    EXPECT_EQ(At(image, body.center().x(), body.center().y() + 3), QColor(Qt::black));
    EXPECT_EQ(At(image, 1.5, 30), ToQColor(clGray));
    // The dot straight above the centre shows white (its middle, inside the outline).
    int brightest = 0;
    for (int y = dot.top(); y <= dot.bottom(); ++y)
        for (int x = dot.left(); x <= dot.right(); ++x)
            brightest = std::max(brightest, At(image, x + 0.5, y + 0.5).lightness());
    EXPECT_GE(brightest, 190);
    // No pixel of the magenta underneath shows through anywhere.
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            ASSERT_NE(image.pixelColor(x, y), QColor(Qt::magenta)) << x << "," << y;
}

TEST_P(KnobRenderTest, ValueTextTakesTheFontColour) {
    auto blueInValueText = [&](TColor colour, const char* name) {
        TQvKnob knob;
        Program(knob);
        knob.SetValue(88);
        knob.SetFontColor(colour);
        const QImage image = Render(knob, name);
        int blue = 0;
        const QRect area = ValueTextBox(knob.Layout(), QFontMetrics(knob.font()).height());
        for (int y = area.top(); y <= area.bottom(); ++y)
            for (int x = area.left(); x <= area.right(); ++x) {
                const QColor c = At(image, x + 0.5, y + 0.5);
                if (c.blue() > 160 && c.red() < 100 && c.green() < 100) ++blue;
            }
        return blue;
    };
    EXPECT_GT(blueInValueText(clBlue, "blue-text"), 0);
    EXPECT_EQ(blueInValueText(clBlack, "black-text"), 0);
}

TEST_P(KnobRenderTest, CaptionsAndOtherShapesRender) {
    TQvKnob pitch;
    Program(pitch);
    pitch.SetMin(-48);
    pitch.SetMax(48);
    pitch.SetValue(-48);
    pitch.OnValueText = [](TQvKnob* sender, QString& text) {
        text = QString::number(sender->Value() * 100);
    };
    Render(pitch, "pitch-min");

    TQvKnob captions;
    captions.resize(45, 49);
    captions.SetOffset(2);
    captions.SetColor(clBtnFace);
    captions.SetKnobColor(0x404040);
    captions.SetLeftText("L");
    captions.SetRightText("R");
    captions.SetValue(100);
    Render(captions, "captions-max");

    QWidget window;
    auto* focused = new TQvKnob(&window);
    Program(*focused);
    focused->SetColor(clBlack);
    focused->SetDisplayValue(false);
    focused->SetValue(25);
    window.show();
    QApplication::setActiveWindow(&window);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    focused->setFocus();
    ASSERT_TRUE(focused->hasFocus());
    const QImage image = Render(*focused, "focused-no-value");
    // Without the value text the top rows keep the background; the focus frame is dotted
    // in white on black.
    EXPECT_EQ(At(image, 15.5, 5.5), QColor(Qt::black));
    const QRect frame = FocusFrame(focused->Layout(), QFontMetrics(focused->font()).height(),
                                   false, false);
    const QColor first = At(image, frame.left() + 0.5, frame.top() + 0.5);
    const QColor second = At(image, frame.left() + 1.5, frame.top() + 0.5);
    EXPECT_NE(first, second);
    for (const QColor& dot : {first, second})
        EXPECT_TRUE(dot == QColor(Qt::white) || dot == QColor(Qt::black))
            << dot.name().toStdString();
}

// The frame of a focused knob goes round the body, never through the value text above it
// or the caption below: those rows look the same with and without the focus.
TEST_P(KnobRenderTest, FocusFrameLeavesTheTextsAlone) {
    QWidget window;
    auto* knob = new TQvKnob(&window);
    auto* other = new TQvKnob(&window);
    other->move(40, 0);
    for (TQvKnob* k : {knob, other}) {
        Program(*k);
        k->resize(31, 49);  // the note-map knobs'
        k->SetOffset(0);
        k->SetCenterText("Mask T.");
        k->SetValue(56);
    }
    knob->OnValueText = [](TQvKnob*, QString& text) { text = "56ms"; };
    window.show();
    QApplication::setActiveWindow(&window);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    other->setFocus();
    const QImage plain = Render(*knob, "unfocused-texts");
    knob->setFocus();
    ASSERT_TRUE(knob->hasFocus());
    const QImage focused = Render(*knob, "focused-texts");

    const int line = QFontMetrics(knob->font()).height();
    const int ratio = GetParam();
    const int valueBottom = ValueTextBox(knob->Layout(), line).bottom();
    const int captionTop = CaptionTop(knob->Layout(), line);
    int changed = 0;
    for (int y = 0; y < plain.height(); ++y)
        for (int x = 0; x < plain.width(); ++x) {
            if (plain.pixelColor(x, y) == focused.pixelColor(x, y)) continue;
            ++changed;
            const int row = y / ratio;
            ASSERT_GT(row, valueBottom) << "frame in the value text at " << x << "," << y;
            ASSERT_LT(row, captionTop) << "frame in the caption at " << x << "," << y;
        }
    EXPECT_GT(changed, 20);  // the frame is there
}

INSTANTIATE_TEST_SUITE_P(PixelRatio, KnobRenderTest, ::testing::Values(1, 2));

}  // namespace
}  // namespace controls
