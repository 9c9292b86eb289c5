// Files dropped on the main window: setups as "Load Setup..." loads them, dump files by
// their size as their menu commands load them, wrong sizes refused with those commands' texts.

#include <gtest/gtest.h>

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QTest>
#include <QUrl>

#include <fstream>
#include <iterator>

#include "editor/files/DropHandler.h"
#include "editor/files/FileCommands.h"
#include "editor/patch/PatchEditor.h"
#include "editor/patch/PatchName.h"
#include "td7/files/DumpFiles.h"
#include "td7/map/PresentFlags.h"
#include "td7/files/SetupFile.h"
#include "td7/map/Td7Collections.h"
#include "tests/editor/ShellHarness.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
using editor::TBoxKind;
namespace fs = std::filesystem;

Bytes ReadBytes(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

void WriteBytes(const fs::path& file, const Bytes& bytes) {
    std::ofstream(file, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
}

class DesktopDrop : public ::testing::Test {
  protected:
    DesktopDrop() : editor(::testing::UnitTest::GetInstance()->current_test_info()->name()) {
        editor.WriteSettings("[General]\nMidiInDev=1\nMidiOutDev=2\n");
        editor.Start();
        editor.windows->Files->Dialogs().SetHeadless(true);
        // The module's memory as one file of data sets: system, 32 patches, instruments.
        simulator::Td7Module module;
        module.LoadFactory();
        module.SaveMemory(editor.dir / "memory.syx");
        memory = ReadBytes(editor.dir / "memory.syx");
    }

    fs::path Write(const std::string& name, std::size_t from, std::size_t size) {
        const fs::path file = editor.dir / name;
        WriteBytes(file, Bytes(memory.begin() + static_cast<std::ptrdiff_t>(from),
                               memory.begin() + static_cast<std::ptrdiff_t>(from + size)));
        return file;
    }
    fs::path PatchFile(int n) { return Write("patch.syx", 34 + 1575 * n, 1575); }
    fs::path InstrumentFile() { return Write("inst.syx", memory.size() - 16896, 16896); }
    fs::path SystemFile() { return Write("sys.SYX", 0, 34); }

    void Drop(const fs::path& file) {
        editor.windows->Drops->DropFile(QString::fromStdString(file.string()));
    }
    editor::TfmTamboro& Main() { return editor.Main(); }
    td7::TPresentFlags& Present() { return Main().Present(); }
    Bytes Record(td7::Block block, int i) {
        const auto& r = Main().Dumps().Of(block).Records(i);
        return {r.Data(), r.Data() + r.Size()};
    }
    std::vector<QString> Errors() const {
        std::vector<QString> texts;
        for (const auto& box : editor.boxes.Shown())
            if (box.Kind == TBoxKind::Error) texts.push_back(box.Text);
        return texts;
    }

    shelltest::Editor editor;
    Bytes memory;
};

TEST_F(DesktopDrop, DumpFilesLoadByTheirSize) {
    ASSERT_FALSE(Present().PatchPresent(0));
    const Bytes patch = ReadBytes(PatchFile(4));
    Drop(PatchFile(4));
    EXPECT_TRUE(Present().PatchPresent(0));
    EXPECT_TRUE(Main().PatchEditing());
    EXPECT_EQ(Record(td7::Block::Prog, 0), Bytes(patch.begin(), patch.begin() + 58));
    EXPECT_EQ(Record(td7::Block::Notemap, 58), Bytes(patch.end() - 19, patch.end()));

    Drop(InstrumentFile());
    EXPECT_TRUE(Present().InstrumentsPresent());
    EXPECT_EQ(Record(td7::Block::Instrument, 511), Bytes(memory.end() - 33, memory.end()));

    Drop(SystemFile());
    EXPECT_TRUE(Present().SystemPresent());
    EXPECT_EQ(Record(td7::Block::System, 0), Bytes(memory.begin(), memory.begin() + 34));
    EXPECT_TRUE(Errors().empty());
    EXPECT_TRUE(Main().AnyModified()) << "dump loads leave the setup changed";
}

TEST_F(DesktopDrop, AWrongSizeIsRefusedWithTheTextOfItsNearestKind) {
    const Bytes before = Record(td7::Block::Prog, 0);
    Drop(Write("long.syx", 34, 1576));
    Drop(Write("short.syx", 0, 35));
    Drop(Write("big.syx", 0, 17000));
    EXPECT_EQ(Errors(), (std::vector<QString>{td7::kPatchFileSizeError, td7::kSystemFileSizeError,
                                              td7::kInstrumentFileSizeError}));
    EXPECT_FALSE(Present().PatchPresent(0));
    EXPECT_FALSE(Present().SystemPresent());
    EXPECT_FALSE(Present().InstrumentsPresent());
    EXPECT_EQ(Record(td7::Block::Prog, 0), before);

    // A file that vanished between drag and drop: the file system's word for it.
    editor.boxes.ClearShown();
    Drop(editor.dir / "gone.syx");
    ASSERT_EQ(Errors().size(), 1u);
    EXPECT_TRUE(Errors()[0].contains("gone.syx"));
}

TEST_F(DesktopDrop, ASetupAsksToSaveTheChangedSetupFirst) {
    auto& files = *editor.windows->Files;
    Drop(PatchFile(2));
    const fs::path setup = editor.dir / "gig.td7";
    files.Setup().SaveTo(setup);
    Drop(SystemFile());  // changed again, and no longer what the file holds

    // Cancel (and Escape): nothing happens; "No": loaded as it is.
    ASSERT_TRUE(Main().AnyModified());
    Drop(setup);
    ASSERT_EQ(editor.boxes.Shown().size(), 1u);
    EXPECT_EQ(editor.boxes.Shown()[0].Kind, TBoxKind::ConfirmCancel);
    EXPECT_TRUE(Main().AnyModified());
    EXPECT_TRUE(Present().SystemPresent()) << "the edits were dropped";
    editor.boxes.ClearShown();
    editor.boxes.SetNextAnswer(editor::TAnswer::No);
    Drop(setup);
    ASSERT_EQ(editor.boxes.Shown().size(), 1u);
    EXPECT_EQ(editor.boxes.Shown()[0].Text, td7::kSaveChangedSetupQuestion);
    EXPECT_EQ(Main().SetupFileName(), setup.string());
    EXPECT_FALSE(Main().AnyModified());
    EXPECT_TRUE(Present().PatchPresent(0));
    EXPECT_TRUE(Main().PatchEditing());

    // "Yes": saved under the name chosen first, then loaded.
    Drop(InstrumentFile());
    editor.boxes.ClearShown();
    editor.boxes.SetNextAnswer(editor::TAnswer::Yes);
    const fs::path saved = editor.dir / "before.td7";
    files.Dialogs().SetNextFile(QString::fromStdString(saved.string()));
    Drop(setup);
    EXPECT_EQ(editor.boxes.Shown().size(), 1u);
    EXPECT_TRUE(Errors().empty());
    ASSERT_TRUE(fs::exists(saved));
    EXPECT_GT(fs::file_size(saved), fs::file_size(setup)) << "it holds the instruments";
    EXPECT_EQ(Main().SetupFileName(), setup.string());
    EXPECT_FALSE(Present().InstrumentsPresent());

    // Not a setup: refused, and the setup stays.
    WriteBytes(editor.dir / "fake.td7", Bytes(100, 0x41));
    Drop(editor.dir / "fake.td7");
    EXPECT_EQ(Errors(), std::vector<QString>{td7::kNotSetupFileError});
    EXPECT_EQ(Main().SetupFileName(), setup.string());
}

TEST_F(DesktopDrop, TheWindowTakesOneSetupOrDumpFileDraggedOnIt) {
    const fs::path patch = PatchFile(0);
    WriteBytes(editor.dir / "notes.txt", Bytes(34, 0x20));
    auto dragWith = [&](const QList<QUrl>& urls) {
        QMimeData data;
        data.setUrls(urls);
        QDragEnterEvent enter(QPoint(20, 20), Qt::CopyAction, &data, Qt::LeftButton, {});
        QCoreApplication::sendEvent(&Main(), &enter);
        return enter.isAccepted();
    };
    const QUrl patchUrl = QUrl::fromLocalFile(QString::fromStdString(patch.string()));
    EXPECT_TRUE(dragWith({patchUrl}));
    EXPECT_FALSE(dragWith(
        {QUrl::fromLocalFile(QString::fromStdString((editor.dir / "notes.txt").string()))}));
    EXPECT_FALSE(dragWith({patchUrl, patchUrl})) << "one file at a time";
    EXPECT_FALSE(dragWith({QUrl(QStringLiteral("https://example.org/patch.syx"))}));

    // Dropped on the name field, which takes dropped text: the file is loaded, and its path
    // does not become the patch's name.
    QLineEdit* name = editor.windows->PatchEditor->edName();
    const QString nameBefore = name->text();
    QMimeData data;
    data.setUrls({patchUrl});
    data.setText(patchUrl.toLocalFile());
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, {});
    QCoreApplication::sendEvent(name, &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, {});
    QCoreApplication::sendEvent(name, &drop);
    EXPECT_TRUE(drop.isAccepted());
    // Loaded once the drop has ended.
    EXPECT_TRUE(QTest::qWaitFor([&] { return Present().PatchPresent(0); }, 5000));
    const Bytes common = Record(td7::Block::Prog, 0);
    EXPECT_EQ(name->text(), QString::fromLatin1(reinterpret_cast<const char*>(&common[11]), 6));
    EXPECT_NE(name->text(), nameBefore);
}

}  // namespace
