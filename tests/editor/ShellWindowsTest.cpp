#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>

#include <chrono>
#include <functional>
#include <memory>
#include <ctime>

#include "editor/shell/AboutWindow.h"
#include "editor/common/ErrorDisplay.h"
#include "editor/common/EventWait.h"
#include "editor/shell/Help.h"
#include "editor/common/MessageBoxes.h"
#include "editor/transfers/ProgressWindow.h"
#include "editor/transfers/ViewSysexWindow.h"
#include "midilink/DumpCollection.h"
#include "tests/editor/ShellHarness.h"

namespace {

using shelltest::TestApplication;

TEST(ShellAbout, ShowsTheVersionAndClosesOnAClickOrEscape) {
    TestApplication();
    editor::TfmAbout about;
    EXPECT_EQ(about.laVersion()->text(), "Version 1.2 build 16");
    EXPECT_EQ(about.size(), QSize(384, 174));
    EXPECT_TRUE(about.windowFlags() & Qt::FramelessWindowHint);
    EXPECT_TRUE(about.windowFlags() & Qt::WindowStaysOnTopHint);

    for (const char* target : {"laVersion", "Image1", "Label1", "Panel1"}) {
        about.show();
        ASSERT_TRUE(about.isVisible());
        auto* widget = about.findChild<QWidget*>(target);
        ASSERT_NE(widget, nullptr) << target;
        QTest::mouseClick(widget, Qt::LeftButton, {}, QPoint(2, 2));
        EXPECT_FALSE(about.isVisible()) << target;
    }
    about.show();
    QTest::keyRelease(&about, Qt::Key_Escape);
    EXPECT_FALSE(about.isVisible());

    // The link buttons open their addresses and leave the window open.
    std::vector<QUrl> opened;
    about.OpenUrl = [&](const QUrl& url) { opened.push_back(url); };
    about.show();
    about.findChild<QToolButton*>("SpeedButton1")->click();
    about.findChild<QToolButton*>("SpeedButton2")->click();
    ASSERT_EQ(opened.size(), 2u);
    EXPECT_TRUE(opened[0].scheme().startsWith("http"));
    EXPECT_EQ(opened[1].scheme(), "mailto");
    EXPECT_TRUE(about.isVisible());
}

TEST(ShellViewer, ShowsARecordSixteenBytesALine) {
    TestApplication();
    editor::TfmViewSysex viewer;
    EXPECT_EQ(viewer.windowTitle(), "Sysex Viewer...");
    EXPECT_EQ(viewer.Memo1()->toPlainText(), "00 01 02 03 04 05 06 07 08 09 10 11 12 13 14 15");

    midilink::TDumpCollection dump("TriggerDump");
    dump.SetSize(22);
    dump.SetHeaderSize(9);
    dump.SetChecksum(midilink::ctRoland);
    dump.SetCount(1);
    dump.SetIndex(0);
    std::vector<std::string> lines;
    dump.Records(0).ToStrings(lines, 16);
    viewer.SetLines(lines);
    const QStringList shown = viewer.Memo1()->toPlainText().split('\n');
    ASSERT_EQ(shown.size(), 2);
    EXPECT_EQ(shown[0].size(), 16 * 3);
    EXPECT_TRUE(shown[0].startsWith("F0 00 "));
    EXPECT_EQ(shown[1], "00 00 00 00 00 F7 ");

    auto* close = viewer.findChild<QPushButton*>("Button1");
    ASSERT_NE(close, nullptr);
    EXPECT_TRUE(close->isDefault());
    viewer.show();
    close->click();
    EXPECT_FALSE(viewer.isVisible());
    EXPECT_EQ(viewer.result(), QDialog::Accepted);
}

TEST(ShellProgress, StartsOverWhenFullAndCountsEveryRecord) {
    TestApplication();
    editor::TfmProgress progress;
    EXPECT_EQ(progress.windowTitle(), "Transmit Progress...");
    progress.Start(3);
    for (int i = 0; i < 4; ++i) progress.Step();
    EXPECT_EQ(progress.ProgressBar1()->value(), 1);
    EXPECT_EQ(progress.edCount()->text(), "4");

    QTest::keyClick(&progress, Qt::Key_Escape);
    EXPECT_TRUE(progress.CancelRequested());
    EXPECT_TRUE(progress.isVisible()) << "the transfer closes the window, not Escape";
    progress.Start(78);
    EXPECT_FALSE(progress.CancelRequested());
    EXPECT_EQ(progress.edCount()->text(), "0");
    EXPECT_EQ(progress.ProgressBar1()->value(), 0);
    progress.btnCancel()->click();
    EXPECT_TRUE(progress.CancelRequested());

    // F1 opens the help on requests, transmissions and their checks.
    progress.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&progress));
    QTest::keyClick(&progress, Qt::Key_F1);
    const auto* help = progress.findChild<editor::THelpWindow*>();
    ASSERT_NE(help, nullptr);
    EXPECT_EQ(help->CurrentAnchor(), QString::number(editor::kHelpTransfers));
}

TEST(ShellErrors, CommandsShowTheirFailureInTheErrorBox) {
    TestApplication();
    editor::MessageBoxes boxes;
    boxes.SetHeadless(true);
    editor::ErrorDisplay errors(boxes);
    EXPECT_TRUE(errors.RunCommand([] {}));
    EXPECT_FALSE(errors.RunCommand([] { throw std::runtime_error("Index out of bounds"); }));
    EXPECT_FALSE(errors.RunCommand([] { throw 42; }));
    ASSERT_EQ(boxes.Shown().size(), 2u);
    EXPECT_EQ(boxes.Shown()[0].Kind, editor::TBoxKind::Error);
    EXPECT_EQ(boxes.Shown()[0].Caption, "Tamboro Error...");
    EXPECT_EQ(boxes.Shown()[0].Text, "Index out of bounds");
    EXPECT_EQ(boxes.Shown()[1].Text, "Unknown error");

    // Unscripted questions take the safe answer.
    EXPECT_FALSE(boxes.Confirm("Sure?"));
    EXPECT_EQ(boxes.ConfirmCancel("Save?"), editor::TAnswer::Cancel);
    boxes.Information("Done");
    EXPECT_EQ(boxes.Shown().back().Caption, "Information...");
}

// The real boxes, answered by keys and the title bar as a user would.
TEST(ShellErrors, EscapeNeverAnswersAQuestionWhoseNoLosesWork) {
    TestApplication();
    editor::MessageBoxes boxes;
    // Presses each key on the box once it shows, and tells whether the box was still open
    // right after each.
    const auto ask = [](const std::function<editor::TAnswer()>& question,
                        std::vector<int> keys) {
        auto stillOpen = std::make_shared<std::vector<bool>>();
        QTimer timer;
        timer.setInterval(10);
        QObject::connect(&timer, &QTimer::timeout, [&, stillOpen] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (box == nullptr || keys.empty()) return;
            if (keys.front() == Qt::Key_Close) {
                box->close();
            } else {
                QTest::keyClick(box, static_cast<Qt::Key>(keys.front()));
            }
            keys.erase(keys.begin());
            QTimer::singleShot(0, [stillOpen, shown = QPointer<QMessageBox>(box)] {
                stillOpen->push_back(shown && shown->isVisible());
            });
        });
        timer.start();
        const editor::TAnswer answer = question();
        QTest::qWait(20);
        return std::make_pair(answer, *stillOpen);
    };

    // Escape and the title bar leave the box open; only an answer closes it.
    auto [answer, open] =
        ask([&] { return boxes.ConfirmNoEscape("Save it?") ? editor::TAnswer::Yes
                                                             : editor::TAnswer::No; },
            {Qt::Key_Escape, Qt::Key_Close, Qt::Key_Y});
    EXPECT_EQ(answer, editor::TAnswer::Yes);
    // (The answer's key clicks its button after a short animation.)
    EXPECT_EQ(open, (std::vector<bool>{true, true, true}));
    // Where no keeps things as they are, Escape says no; with Cancel, it cancels.
    std::tie(answer, open) = ask(
        [&] { return boxes.Confirm("Overwrite?") ? editor::TAnswer::Yes : editor::TAnswer::No; },
        {Qt::Key_Escape});
    EXPECT_EQ(answer, editor::TAnswer::No);
    std::tie(answer, open) = ask([&] { return boxes.ConfirmCancel("Save it?"); }, {Qt::Key_Escape});
    EXPECT_EQ(answer, editor::TAnswer::Cancel);
}

TEST(ShellEventWait, SleepsInTheEventLoopUntilAnEventOrTheDeadline) {
    using namespace std::chrono_literals;
    using Clock = std::chrono::steady_clock;
    TestApplication();
    editor::EventWait wait;

    // An event that arrives ends the wait at once.
    bool answered = false;
    QTimer::singleShot(20, [&] { answered = true; });
    auto start = Clock::now();
    wait.WaitUntil([&] { return answered; }, start + 10s);
    EXPECT_TRUE(answered);
    EXPECT_LT(Clock::now() - start, 5s);

    // Without events it sleeps until the deadline instead of spinning.
    const std::clock_t cpu = std::clock();
    start = Clock::now();
    wait.WaitUntil([] { return false; }, start + 300ms);
    EXPECT_GE(Clock::now() - start, 300ms);
    EXPECT_LT(double(std::clock() - cpu) / CLOCKS_PER_SEC, 0.1) << "processor time of the wait";
}

}  // namespace
