#include <QFontInfo>
#include <QImage>
#include <QLabel>
#include <QStackedWidget>
#include <QTextBrowser>

#include "controls/MidiComboBox.h"
#include "controls/MidiKnob.h"
#include "editor/patch/DrumKit.h"
#include "editor/shell/Help.h"
#include "editor/shell/MainMenu.h"
#include "editor/patch/NotemapList.h"
#include "editor/patch/PatchLayout.h"
#include "editor/patch/PatchPanel.h"
#include "editor/patch/PatchTexts.h"
#include "td7/map/Td7Decode.h"
#include "tests/editor/PatchFixture.h"

namespace patchtest {
namespace {

using controls::TMidiComboBox;
using controls::TMidiKnob;

// The darkest and the brightest grey level of a line of a list as drawn.
std::pair<int, int> GraysIn(QListWidget* list, int row) {
    list->scrollToItem(list->item(row));
    const QImage image = list->viewport()->grab().toImage();
    const QRect line = list->visualItemRect(list->item(row)) & image.rect();
    int darkest = 255;
    int brightest = 0;
    for (int y = line.top(); y <= line.bottom(); ++y)
        for (int x = line.left(); x <= line.right(); ++x) {
            darkest = std::min(darkest, qGray(image.pixel(x, y)));
            brightest = std::max(brightest, qGray(image.pixel(x, y)));
        }
    return {darkest, brightest};
}
int DarkestIn(QListWidget* list, int row) {
    return GraysIn(list, row).first;
}

TEST_F(PatchEditorTest, PatchListLines) {
    const auto& record = Main().Dumps().ProgDump.Records(4);
    EXPECT_EQ(editor::PatchLineText(4, false, record).Text, "05: Empty");
    EXPECT_TRUE(editor::PatchLineText(4, false, record).Gray);
    // Gray text on the white line: nothing darker than the gray.
    EXPECT_GE(DarkestIn(Patch().lbPatch(), 4), 0x78);
    // Selected, the line is drawn in the selection's own text colour, far from the gray.
    Patch().lbPatch()->SelectSilently(4);
    const QPalette palette = Patch().lbPatch()->palette();
    const int text = qGray(palette.color(QPalette::Active, QPalette::HighlightedText).rgb());
    const int back = qGray(palette.color(QPalette::Active, QPalette::Highlight).rgb());
    const auto [darkest, brightest] = GraysIn(Patch().lbPatch(), 4);
    EXPECT_NEAR(text > back ? brightest : darkest, text, 0x30);
    Patch().lbPatch()->SelectSilently(0);

    LoadPatch(4);
    const std::string name = td7::PatchName(record);
    EXPECT_EQ(editor::PatchLineText(4, true, record).Text, "05: " + name);
    EXPECT_FALSE(editor::PatchLineText(4, true, record).Gray);
    EXPECT_LT(DarkestIn(Patch().lbPatch(), 4), 0x40) << "a present slot is drawn in black";
    EXPECT_EQ(editor::PatchLineText(31, false, record).Text, "32: Empty");
}

TEST_F(PatchEditorTest, NoteAndSoundItems) {
    auto& instruments = Main().Dumps().InstrumentDump;
    EXPECT_EQ(editor::SoundComboText(0, false, instruments), "001: [Empty]");
    EXPECT_EQ(editor::SoundComboText(511, false, instruments), "512: [Empty]");
    LoadInstruments();
    const std::string text = td7::InstrumentNameText(instruments, 0);
    EXPECT_EQ(editor::SoundComboText(0, true, instruments).toStdString(),
              "001: " + td7::TrimName(text));
    EXPECT_EQ(td7::TrimName(std::string(" \x01Kick.\x02 ", 10)), "Kick.");
    EXPECT_EQ(td7::TrimName("  "), "");

    EXPECT_EQ(editor::NotemapListText(0), "35 B 1");
    EXPECT_EQ(editor::NotemapListText(2), "37 C#2");

    LoadPatch(0);
    SelectPatch(0);
    EXPECT_EQ(editor::NoteComboText(0, 1, Main().Dumps()).toStdString(),
              td7::NotemapLine(1, Main().Dumps().NotemapDump.Records(1), instruments));
    // A damaged entry draws as such; its neighbours still draw.
    Main().Dumps().NotemapDump.Records(3).SetBytes(12, 0x04);
    EXPECT_TRUE(editor::NoteComboCorrupted(0, 3, Main().Dumps()));
    EXPECT_EQ(editor::NoteComboText(0, 3, Main().Dumps()), "38 D 2: Instrument dump is corrupted");
    EXPECT_FALSE(editor::NoteComboCorrupted(0, 4, Main().Dumps()));
    auto* note = Control<TMidiComboBox>("txNoteNr");
    note->grab();  // the face draws without raising
    EXPECT_TRUE(editor.boxes.Shown().empty());
}

TEST_F(PatchEditorTest, KnobValueTexts) {
    auto textOf = [](TMidiKnob* knob) {
        QString text = QString::number(knob->Value());
        if (knob->OnValueText) knob->OnValueText(knob, text);
        return text.toStdString();
    };
    auto setByKeys = [](TMidiKnob* knob, int value) {
        knob->setFocus();
        QTest::keyClick(knob, Qt::Key_Home);
        while (knob->Value() < value) QTest::keyClick(knob, Qt::Key_Up);
    };
    LoadPatch(0);
    SelectPatch(0);
    auto* minVelo = Control<TMidiKnob>("txMinVelo");
    setByKeys(minVelo, 9);
    EXPECT_EQ(textOf(minVelo), "26");
    auto* mask = Control<TMidiKnob>("txMaskTime");
    setByKeys(mask, 13);
    EXPECT_EQ(textOf(mask), "52ms");
    auto* gate = Control<TMidiKnob>("txGateTime");
    gate->setFocus();
    QTest::keyClick(gate, Qt::Key_End);
    EXPECT_EQ(textOf(gate), "4.0s");
    QTest::keyClick(gate, Qt::Key_Home);
    EXPECT_EQ(textOf(gate), "0.1s");
    EXPECT_EQ(textOf(Control<TMidiKnob>("pxGateTime")), "0.4s") << "the kit's pedal gate is 4";
    auto* pitch = Control<TMidiKnob>("Sound1Pitch");
    setByKeys(pitch, -48);
    for (int k = 0; k < 36; ++k) QTest::keyClick(pitch, Qt::Key_Up);
    EXPECT_EQ(textOf(pitch), "-1200");
    EXPECT_EQ(textOf(Control<TMidiKnob>("HallLevel")), "12") << "knobs without a rule";
}

TEST_F(PatchEditorTest, PadsStackAndHitByBounds) {
    // Later pads lie on top: inside the snare's head the snare, on its ring the rim, and
    // the kick's rim where only its bounds reach.
    const auto tagAt = [](int x, int y) {
        const auto k = editor::PadAt(x, y);
        return k ? editor::Pads()[*k].Tag : -1;
    };
    EXPECT_EQ(tagAt(106, 136), 2);
    EXPECT_EQ(tagAt(76, 136), 3);
    EXPECT_EQ(tagAt(139, 140), 1) << "the kick rim, not the snare rim below it in the table";
    EXPECT_EQ(tagAt(150, 130), 0);
    EXPECT_EQ(tagAt(150, 110), 9) << "the tom 2 rim's bounds lie over the kick's top";
    EXPECT_EQ(tagAt(1, 1), -1);
    // A circle pad is the largest circle centred in its bounds.
    const editor::TRect tom1Rim = editor::PadShapeRect(editor::PadOfTag(7));
    EXPECT_EQ(tom1Rim.Left, 58);
    EXPECT_EQ(tom1Rim.Top, 52 + 5);
    EXPECT_EQ(tom1Rim.Width, 54);
    // Every pad can be reached by a click.
    for (const editor::TPad& pad : editor::Pads()) {
        const QPoint at = Patch().DrumKit()->PadCenter(pad.Tag);
        EXPECT_EQ(tagAt(at.x(), at.y()), pad.Tag) << pad.Name;
    }

    // No pad is highlighted before the first selection; then one, with its fill saved.
    editor::TDrumKit kit;
    EXPECT_FALSE(kit.Highlighted());
    kit.Highlight(14);
    kit.Highlight(14);
    kit.Highlight(0);
    EXPECT_EQ(kit.FillOf(14), QColor(QRgb(0xD9D900)));
    EXPECT_EQ(kit.Highlighted(), 0);
}

TEST_F(PatchEditorTest, HelpContentsAndF1) {
    Main().Menu().Action(editor::TCommand::HelpContents)->trigger();
    editor::THelpWindow& help = Patch().Help();
    EXPECT_TRUE(help.isVisible());
    EXPECT_EQ(help.CurrentAnchor(), "contents");
    const QString html = editor::HelpFileText();
    for (const char* anchor : {"name=\"contents\"", "name=\"8\"", "name=\"10\"", "name=\"11\""})
        EXPECT_TRUE(html.contains(QString::fromLatin1(anchor))) << anchor;
    help.hide();

    Main().activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&Main()));
    QTest::keyClick(Main().windowHandle(), Qt::Key_F1);
    EXPECT_EQ(help.CurrentAnchor(), "8");
    EXPECT_TRUE(help.isVisible());
    help.hide();
}

}  // namespace
}  // namespace patchtest

namespace patchtest {
namespace {

// Every panel at its place; inside each, its controls within the frame, clear of each
// other and of the title tabs that straddle the panels' top edges.
TEST_F(PatchEditorTest, LayoutKeepsControlsApart) {
    QWidget* client = Main().ClientArea();
    std::vector<std::pair<QString, QRect>> tabs;
    for (const editor::TPanelPlace& place : editor::PatchPanels()) {
        editor::TPatchPanel* panel = Patch().Panel(place.Name);
        ASSERT_NE(panel, nullptr);
        EXPECT_EQ(panel->geometry(), QRect(place.Bounds.Left, place.Bounds.Top, place.Bounds.Width,
                                           place.Bounds.Height));
        if (QLabel* tab = panel->TitleTab(); tab && !place.Title.empty())
            tabs.emplace_back(tab->text(), tab->geometry());
    }
    for (const editor::TPanelPlace& place : editor::PatchPanels()) {
        editor::TPatchPanel* panel = Patch().Panel(place.Name);
        // The drum kit is a picture under the selector; the pages hold the effect knobs.
        std::vector<QWidget*> parts;
        for (QWidget* child : panel->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
            if (child->objectName() != "DrumKit") parts.push_back(child);
        for (QWidget* notebook : panel->findChildren<QStackedWidget*>())
            for (QWidget* page : notebook->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
                for (QWidget* knob : page->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
                    const QRect inPanel(knob->mapTo(panel, QPoint(0, 0)), knob->size());
                    EXPECT_TRUE(notebook->geometry().contains(inPanel))
                        << knob->objectName().toStdString();
                }
        for (std::size_t a = 0; a < parts.size(); ++a) {
            const QRect r = parts[a]->geometry();
            const std::string name = parts[a]->objectName().toStdString();
            EXPECT_TRUE(panel->contentsRect().contains(r)) << place.Name << " " << name;
            for (std::size_t b = a + 1; b < parts.size(); ++b)
                EXPECT_FALSE(r.intersects(parts[b]->geometry()))
                    << name << " overlaps " << parts[b]->objectName().toStdString();
            const QRect inClient(parts[a]->mapTo(client, QPoint(0, 0)), r.size());
            for (const auto& [title, tab] : tabs)
                EXPECT_FALSE(inClient.intersects(tab)) << name << " under " << title.toStdString();
        }
    }
    // The panels' font and the lists' lines.
    EXPECT_EQ(Patch().Panel("gbTrigger")->font().pixelSize(), editor::kPanelFontPixels);
    EXPECT_EQ(Patch().lbPatch()->font().pixelSize(), editor::kListFontPixels);
    EXPECT_TRUE(QFontInfo(Patch().lbPatch()->font()).fixedPitch());
    EXPECT_EQ(Patch().lbPatch()->visualItemRect(Patch().lbPatch()->item(1)).height(),
              editor::kListLineHeight);
    EXPECT_EQ(Patch().lbNotemap()->count(), 59);
    EXPECT_EQ(Control<TMidiComboBox>("PerfSound2")->count(), 512);
}

}  // namespace
}  // namespace patchtest

namespace patchtest {
namespace {

// Counts the paints a widget gets.
class PaintCounter : public QObject {
  public:
    explicit PaintCounter(QWidget* widget) { widget->installEventFilter(this); }
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) ++paints;
        return false;
    }
    int paints = 0;
};

TEST_F(PatchEditorTest, AChangedInstrumentIsRedrawnWhereItIsShown) {
    LoadInstruments();
    LoadPatch(0);
    SelectPatch(0);
    auto* sound1 = Control<TMidiComboBox>("Sound1");
    const int i = sound1->currentIndex();
    ASSERT_GE(i, 0);
    QCoreApplication::processEvents();
    PaintCounter sound(sound1);
    PaintCounter note(Control<TMidiComboBox>("txNoteNr"));

    // The module sends instrument i with another name.
    Td7Module& module = editor.wait->module;
    module.Data(Td7Module::InstrumentBlock(i))[0] = 'Q';
    Offer(Td7Module::InstrumentBlock(i));
    EXPECT_TRUE(QTest::qWaitFor([&] { return sound.paints > 0 && note.paints > 0; }, 2000));
    EXPECT_EQ(editor::SoundComboText(i, true, Main().Dumps().InstrumentDump).mid(5, 1), "Q");
}

}  // namespace
}  // namespace patchtest
