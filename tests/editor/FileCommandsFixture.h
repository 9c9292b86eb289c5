#pragma once

// The editor's windows with the file commands and the empty-patch dialog: scripted message
// boxes and file dialogs, the virtual TD-7 answering on the fake service's first ports,
// and helpers to drive the real dialog, menu and patch list as a user does.

#include <gtest/gtest.h>

#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <fstream>
#include <iterator>

#include "editor/files/FileCommands.h"
#include "editor/shell/MainMenu.h"
#include "editor/patch/PatchEditor.h"
#include "editor/patch/PatchList.h"
#include "editor/patch/PatchName.h"
#include "editor/patch/QueryEmptyWindow.h"
#include "midilink/MidiCompLink.h"
#include "td7/map/DefaultPatch.h"
#include "td7/map/PresentFlags.h"
#include "td7/map/Td7Collections.h"
#include "td7/map/Td7Decode.h"
#include "tests/editor/ShellHarness.h"

namespace filesgui {

using Bytes = std::vector<std::uint8_t>;
using editor::TCommand;
using simulator::Td7Module;
namespace fs = std::filesystem;

inline Bytes ReadBytes(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

inline void WriteBytes(const fs::path& file, const Bytes& bytes) {
    std::ofstream(file, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
}

class FileCommandsTest : public ::testing::Test {
  protected:
    FileCommandsTest() : editor(::testing::UnitTest::GetInstance()->current_test_info()->name()) {
        editor.WriteSettings("[General]\nMidiInDev=1\nMidiOutDev=2\n");
    }
    ~FileCommandsTest() override {
        // A dialog that a failed test left waiting must not click in the next test.
        for (QTimer* timer : m_clickers) delete timer;
    }

    // Makes the windows with scripted file dialogs; Show runs the first showing.
    void Create(QStringList arguments = {}) {
        editor.Create(std::move(arguments), 0);
        Files().Dialogs().SetHeadless(true);
        editor.wait->module.LoadRandom(7);
    }
    void Start(QStringList arguments = {}) {
        Create(std::move(arguments));
        editor.Show();
    }

    editor::TfmTamboro& Main() { return editor.Main(); }
    editor::TPatchEditor& Patch() { return *editor.windows->PatchEditor; }
    editor::FileCommands& Files() { return *editor.windows->Files; }
    editor::FileDialogs& Dialogs() { return Files().Dialogs(); }
    editor::TfmQueryEmpty& QueryEmpty() { return *editor.windows->fmQueryEmpty; }
    midilink::TDumpCollection& Dump(td7::Block block) { return Main().Dumps().Of(block); }

    void Run(TCommand command) {
        QAction* action = Main().Menu().Action(command);
        ASSERT_TRUE(action->isEnabled()) << action->objectName().toStdString();
        action->trigger();
    }
    void RunNumbered(TCommand command, int k) {
        QAction* action = Main().Menu().NumberedAction(command, k);
        ASSERT_TRUE(action->isEnabled()) << action->objectName().toStdString() << " " << k;
        action->trigger();
    }

    // The user clicks line p of the patch list.
    void ClickPatch(int p) {
        QListWidget* list = Patch().lbPatch();
        list->scrollToItem(list->item(p));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                          list->visualItemRect(list->item(p)).center());
    }
    // Presses `button` of the empty-patch dialog as soon as the dialog is up (the dialog's
    // own event loop runs the check). The flag tells whether it happened.
    std::shared_ptr<bool> AnswerQuery(QPushButton* button) {
        auto pressed = std::make_shared<bool>(false);
        auto* timer = new QTimer;
        m_clickers.push_back(timer);
        timer->setInterval(0);
        QObject::connect(timer, &QTimer::timeout, [this, timer, button, pressed] {
            if (!QueryEmpty().isVisible()) return;
            timer->stop();
            *pressed = true;
            button->click();
        });
        timer->start();
        return pressed;
    }
    // Clicks empty slot p and answers its dialog with `button`.
    void FillByDialog(int p, QPushButton* button) {
        const auto pressed = AnswerQuery(button);
        ClickPatch(p);
        ASSERT_TRUE(*pressed) << "the empty-patch dialog did not come for slot " << p;
        EXPECT_EQ(QueryEmpty().Slot(), p);
        EXPECT_FALSE(QueryEmpty().isVisible());
    }
    void Initialize(int p) { FillByDialog(p, QueryEmpty().btnInitialize()); }

    // Slot p filled from the module the way answers fill it: offered to the link.
    void Receive(int p) {
        auto offer = [this](const simulator::Block& block) {
            const Bytes bytes = editor.wait->module.DataSetOf(block);
            ASSERT_TRUE(
                Main().MidiCompLink1().OfferSysex(bytes.data(), static_cast<int>(bytes.size())));
        };
        offer(Td7Module::CommonBlock(p));
        for (int t = 0; t < Td7Module::kTriggerCount; ++t) offer(Td7Module::TriggerBlock(p, t));
        for (int n = 0; n < Td7Module::kNoteMapCount; ++n) offer(Td7Module::NoteMapBlock(p, n));
        Main().Present().SetPatchPresent(p, true);
    }

    // The 78 records of slot p as they stand, in patch order.
    std::vector<Bytes> PatchRecords(int p) {
        std::vector<Bytes> records;
        auto take = [&](td7::Block block, int i) {
            const auto& r = Dump(block).Records(i);
            records.emplace_back(r.Data(), r.Data() + r.Size());
        };
        take(td7::Block::Prog, p);
        for (int t = 0; t < td7::kTriggersPerPatch; ++t) take(td7::Block::Trigger, 18 * p + t);
        for (int n = 0; n < td7::kNotesPerPatch; ++n) take(td7::Block::Notemap, 59 * p + n);
        return records;
    }

    // What went out on the editor's output since the last call, system exclusive only.
    std::vector<Bytes> TakeSysex() {
        const auto all = editor.midi.SentTo(0);
        std::vector<Bytes> out;
        for (std::size_t k = m_seen; k < all.size(); ++k)
            if (!all[k].bytes.empty() && all[k].bytes[0] == 0xF0) out.push_back(all[k].bytes);
        m_seen = all.size();
        return out;
    }

    std::vector<QString> Errors() {
        std::vector<QString> texts;
        for (const auto& box : editor.boxes.Shown())
            if (box.Kind == editor::TBoxKind::Error) texts.push_back(box.Text);
        return texts;
    }
    QString Caption() { return Main().windowTitle(); }

    shelltest::Editor editor;

  private:
    std::vector<QTimer*> m_clickers;
    std::size_t m_seen = 0;
};

}  // namespace filesgui
