// The empty-patch dialog on the real main window: Initialize from the compiled-in default
// patch, Request from the module, and Cancel back to the patch being edited.

#include <QLabel>
#include <QPushButton>

#include "controls/MidiUpDown.h"
#include "midilink/Templates.h"
#include "td7/transfers/Transfers.h"
#include "tests/editor/FileCommandsFixture.h"

namespace filesgui {
namespace {

using EmptyPatchDialog = FileCommandsTest;

TEST(DefaultPatchResource, HoldsTheDefaultPatchBytes) {
    shelltest::TestApplication();
    const Bytes resource = editor::DefaultPatchResource();
    const auto tables = td7::DefaultPatchBytes();
    ASSERT_EQ(resource.size(), 1575u);
    EXPECT_TRUE(std::equal(resource.begin(), resource.end(), tables.begin(), tables.end()));
}

TEST_F(EmptyPatchDialog, LooksAsDescribed) {
    Start();
    editor::TfmQueryEmpty& dialog = QueryEmpty();
    EXPECT_EQ(dialog.windowTitle(), "Empty Patch...");
    EXPECT_EQ(dialog.size(), QSize(280, 110));
    EXPECT_FALSE(dialog.windowFlags() & Qt::WindowCloseButtonHint);
    EXPECT_TRUE(dialog.laText()->text().startsWith("You are about to enter an empty patch."));
    // Right to left along the bottom, 75 x 25 each, none overlapping the text.
    const std::vector<QPushButton*> buttons = {dialog.btnInitialize(), dialog.btnRequest(),
                                               dialog.btnCancel()};
    const QStringList texts = {"Initialize", "Request", "Cancel"};
    for (std::size_t k = 0; k < buttons.size(); ++k) {
        EXPECT_EQ(buttons[k]->text(), texts[static_cast<qsizetype>(k)]);
        EXPECT_EQ(buttons[k]->size(), QSize(75, 25));
        EXPECT_FALSE(buttons[k]->geometry().intersects(dialog.laText()->geometry()));
        if (k > 0) {
            EXPECT_LT(buttons[k]->x(), buttons[k - 1]->x());
        }
    }
    // The whole text fits its label.
    const QRect needed = dialog.laText()->fontMetrics().boundingRect(
        dialog.laText()->contentsRect(), Qt::TextWordWrap, dialog.laText()->text());
    EXPECT_LE(needed.height(), dialog.laText()->contentsRect().height());
}

TEST_F(EmptyPatchDialog, GrowsToFitALargerFont) {
    Start();
    editor::TfmQueryEmpty& dialog = QueryEmpty();
    QFont font = dialog.font();
    font.setPointSize(14);
    dialog.setFont(font);
    EXPECT_GE(dialog.width(), 280);
    EXPECT_GT(dialog.height(), 110);
    QLabel* text = dialog.laText();
    const QRect needed =
        text->fontMetrics().boundingRect(text->contentsRect(), Qt::TextWordWrap, text->text());
    EXPECT_LE(needed.height(), text->contentsRect().height());
    EXPECT_TRUE(dialog.rect().contains(text->geometry()));
    for (QPushButton* button : {dialog.btnInitialize(), dialog.btnRequest(), dialog.btnCancel()}) {
        EXPECT_TRUE(dialog.rect().contains(button->geometry())) << button->text().toStdString();
        EXPECT_FALSE(button->geometry().intersects(text->geometry()));
        EXPECT_LE(button->fontMetrics().horizontalAdvance(button->text()), button->width() - 12)
            << button->text().toStdString();
        EXPECT_GE(button->height(), button->fontMetrics().height() + 6);
    }
}

TEST_F(EmptyPatchDialog, InitializeOnSlot5ThenTransmitCurrentAddressesSlot5) {
    Start();
    TakeSysex();
    Initialize(4);
    EXPECT_TRUE(TakeSysex().empty()) << "Initialize sends nothing";
    EXPECT_TRUE(Main().Present().PatchPresent(4));
    EXPECT_TRUE(Main().PatchEditing());
    EXPECT_EQ(Patch().lbPatch()->currentRow(), 4);
    EXPECT_EQ(Patch().edName()->text(), "Patch ");
    EXPECT_EQ(Patch().Control<controls::TMidiUpDown>("udProgram")->Position(), 128);
    EXPECT_EQ(Caption(), "Untitled.td7* - Tamboro V1.2");
    // The records hold the resource as it is, slot 0's address included.
    const std::vector<Bytes> records = PatchRecords(4);
    const auto defaults = td7::DefaultPatchBytes();
    Bytes stored;
    for (const Bytes& r : records) stored.insert(stored.end(), r.begin(), r.end());
    EXPECT_TRUE(std::equal(stored.begin(), stored.end(), defaults.begin(), defaults.end()));

    Run(TCommand::TransmitCurrent);
    const std::vector<Bytes> sent = TakeSysex();
    ASSERT_EQ(sent.size(), 78u);
    for (std::size_t k = 0; k < sent.size(); ++k) {
        const Bytes& m = sent[k];
        ASSERT_EQ(m.size(), records[k].size()) << k;
        EXPECT_EQ(m[2], 0x10) << k;
        EXPECT_EQ(m[6], 0x04) << "record " << k << " addresses slot 5";
        EXPECT_EQ(m[m.size() - 2],
                  midilink::RolandChecksum(m.data() + 5, static_cast<int>(m.size()) - 7))
            << k;
        EXPECT_TRUE(std::equal(m.begin() + 9, m.end() - 2, records[k].begin() + 9)) << k;
    }
    // The module took every record at slot 5 (it refuses a bad checksum).
    EXPECT_EQ(editor.wait->module.DataSetOf(Td7Module::CommonBlock(4)), sent[0]);
    EXPECT_EQ(editor.wait->module.DataSetOf(Td7Module::TriggerBlock(4, 17)), sent[18]);
    EXPECT_EQ(editor.wait->module.DataSetOf(Td7Module::NoteMapBlock(4, 58)), sent[77]);
}

TEST_F(EmptyPatchDialog, RequestFillsTheSlotFromTheModule) {
    Start();
    FillByDialog(6, QueryEmpty().btnRequest());
    EXPECT_TRUE(Errors().empty());
    EXPECT_TRUE(Main().Present().PatchPresent(6));
    EXPECT_TRUE(Main().PatchEditing());
    EXPECT_EQ(PatchRecords(6)[0], editor.wait->module.DataSetOf(Td7Module::CommonBlock(6)));
    EXPECT_EQ(PatchRecords(6)[77], editor.wait->module.DataSetOf(Td7Module::NoteMapBlock(6, 58)));
    const auto& common = Dump(td7::Block::Prog).Records(6);
    EXPECT_EQ(Patch().edName()->text().toStdString(), td7::PatchName(common));
}

TEST_F(EmptyPatchDialog, RequestWithoutAnswerClosesWithTheErrorAndLeavesTheSlotEmpty) {
    Start();
    editor.wait->moduleOn = false;
    FillByDialog(9, QueryEmpty().btnRequest());
    ASSERT_EQ(Errors().size(), 1u);
    EXPECT_TRUE(Errors()[0].startsWith("The unit didn't respond to dump request "));
    // The selection went on: slot 10 is the current one, empty and not editable.
    EXPECT_FALSE(Main().Present().PatchPresent(9));
    EXPECT_FALSE(Main().PatchEditing());
    EXPECT_EQ(Main().CurrentPatch(), 9);
    EXPECT_EQ(Main().Dumps().ProgDump.Index(), 9);
    EXPECT_EQ(Patch().edName()->text(), "Empty ");
}

TEST_F(EmptyPatchDialog, CancelGoesBackToThePatchBeingEdited) {
    Start();
    Receive(1);
    ClickPatch(1);
    ASSERT_TRUE(Main().PatchEditing());
    const bool modified = Main().AnyModified();

    for (bool escape : {false, true}) {
        if (escape) {
            // Escape is the dialog's Cancel.
            auto pressed = std::make_shared<bool>(false);
            auto* timer = new QTimer(&QueryEmpty());
            timer->setInterval(0);
            QObject::connect(timer, &QTimer::timeout, [this, timer, pressed] {
                if (!QueryEmpty().isVisible()) return;
                timer->stop();
                *pressed = true;
                QTest::keyClick(&QueryEmpty(), Qt::Key_Escape);
            });
            timer->start();
            ClickPatch(12);
            EXPECT_TRUE(*pressed);
        } else {
            FillByDialog(12, QueryEmpty().btnCancel());
        }
        EXPECT_FALSE(Main().Present().PatchPresent(12));
        EXPECT_EQ(Patch().lbPatch()->currentRow(), 1);
        EXPECT_EQ(Main().CurrentPatch(), 1);
        EXPECT_EQ(Main().Dumps().ProgDump.Index(), 1);
        EXPECT_TRUE(Main().PatchEditing());
        EXPECT_TRUE(Main().Menu().Action(TCommand::TransmitCurrent)->isEnabled());
        EXPECT_EQ(Main().AnyModified(), modified) << "a cancel changes nothing";
    }
    EXPECT_TRUE(Errors().empty());
}

}  // namespace
}  // namespace filesgui
