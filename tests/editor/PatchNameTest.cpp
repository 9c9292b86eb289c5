#include "editor/patch/PatchName.h"
#include "td7/map/Td7Decode.h"
#include "tests/editor/PatchFixture.h"

namespace patchtest {
namespace {

class PatchNameTest : public PatchEditorTest {
  protected:
    PatchNameTest() {
        LoadPatch(2);
        SelectPatch(2);
        Patch().edName()->OnBeep = [this] { ++beeps; };
        TakeSent();
    }
    editor::TPatchNameEdit* Name() { return Patch().edName(); }
    std::string Stored() { return td7::PatchName(Main().Dumps().ProgDump.Records(2)); }
    // Types into the field from its start, replacing what it held.
    void TypeName(const QString& text) {
        Name()->setFocus();
        Name()->selectAll();
        QTest::keyClick(Name(), Qt::Key_Delete);
        QTest::keyClicks(Name(), text);
    }
    void Leave() { Patch().lbPatch()->setFocus(Qt::TabFocusReason); }

    int beeps = 0;
};

TEST_F(PatchNameTest, LeavingSendsOneMessagePerChangedCharacter) {
    const std::string before = Stored();
    ASSERT_EQ(before.size(), 6u);
    TypeName(QString::fromLatin1(before.substr(0, 1).c_str()) + "Z");
    EXPECT_TRUE(TakeSent().empty()) << "nothing goes out while typing";
    Leave();

    // Padded with four blanks; the first character was kept and is not sent.
    EXPECT_EQ(Name()->text(), QString::fromLatin1((before.substr(0, 1) + "Z    ").c_str()));
    std::vector<Bytes> expected;
    const std::string after = before.substr(0, 1) + "Z    ";
    for (int i = 0; i < 6; ++i)
        if (after[i] != before[i])
            expected.push_back(DataSet(0x02, 0x00, static_cast<std::uint8_t>(i + 2),
                                       static_cast<std::uint8_t>(after[i])));
    EXPECT_EQ(TakeSent(), expected);
    EXPECT_EQ(Stored(), after);
    EXPECT_EQ(beeps, 0);

    // Leaving again without a change sends nothing.
    Name()->setFocus();
    Leave();
    EXPECT_TRUE(TakeSent().empty());
}

TEST_F(PatchNameTest, RefusedKeysBeepAndChangeNothing) {
    const QString before = Name()->text();
    Name()->setFocus();
    Name()->end(false);
    QTest::keyClick(Name(), Qt::Key_Backspace);
    EXPECT_EQ(beeps, 1);
    EXPECT_EQ(Name()->text(), before);
    QTest::keyClick(Name(), Qt::Key_Return);
    QTest::keyClick(Name(), Qt::Key_E, Qt::NoModifier);  // in range: taken (field full: no room)
    EXPECT_EQ(beeps, 2);
    QTest::sendKeyEvent(QTest::Press, Name(), Qt::Key_unknown, QString::fromUtf8("\xc3\xa9"),
                        Qt::NoModifier);  // e acute, above 127
    EXPECT_EQ(beeps, 3);
    EXPECT_EQ(Name()->text(), before);

    // Character 127 and the editing keys are taken.
    EXPECT_TRUE(editor::NameKeyAccepted(127));
    EXPECT_TRUE(editor::NameKeyAccepted(' '));
    EXPECT_FALSE(editor::NameKeyAccepted(31));
    EXPECT_FALSE(editor::NameKeyAccepted(128));
    Name()->home(false);
    QTest::keyClick(Name(), Qt::Key_Delete);
    EXPECT_EQ(Name()->text(), before.mid(1));
    EXPECT_EQ(beeps, 3);
}

TEST_F(PatchNameTest, PastedCharactersAboveSevenBitsNeverReachTheRecord) {
    Name()->setFocus();
    Name()->setText(QString::fromUtf8("K\xc3\xa9y\xe2\x82\xac"));  // as a paste leaves it
    Leave();
    EXPECT_EQ(Name()->text(), "Ky    ");
    EXPECT_EQ(Stored(), "Ky    ");
    for (const Bytes& m : TakeSent())
        for (std::uint8_t byte : std::vector<std::uint8_t>(m.begin() + 1, m.end() - 1))
            EXPECT_LT(byte, 0x80);
}

TEST_F(PatchNameTest, AnEmptySlotShowsEmptyAndTakesNoName) {
    SelectPatch(6);
    EXPECT_EQ(Name()->text(), "Empty ");
    EXPECT_FALSE(Name()->isEnabled());
    Patch().edNameExit();
    EXPECT_TRUE(TakeSent().empty());
    EXPECT_EQ(td7::PatchName(Main().Dumps().ProgDump.Records(6)), std::string(6, '\0'));
}

}  // namespace
}  // namespace patchtest
