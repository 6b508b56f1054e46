// Selecting rows by mouse and keys, the current row, and copying the selection.

#include <functional>

#include "listbox_fixture.h"

namespace {

class ListboxSelectionTest : public ListboxTest {
  protected:
    void SetUp() override {
        ListboxTest::SetUp();
        ASSERT_NO_FATAL_FAILURE(SetPaneRows(10));
        AddNumberedLines(8);
    }
};

struct Click {
    int row;
    Qt::KeyboardModifiers modifiers;
    std::vector<int> selected;  // afterwards
};

TEST_F(ListboxSelectionTest, MultiSelectClicksWithCtrlAndShift) {
    list.SetMultiSelect(true);
    int select_events = 0;
    list.OnSelect = [&](TmVirtualListbox*) { ++select_events; };
    const Click clicks[] = {
        {2, Qt::NoModifier, {2}},
        {4, Qt::ControlModifier, {2, 4}},
        {2, Qt::ControlModifier, {4}},  // Ctrl toggles one row
        {1, Qt::NoModifier, {1}},       // a plain click starts over
        {5, Qt::ShiftModifier, {1, 2, 3, 4, 5}},
        // From the current row to the clicked one, set to the opposite of
        // the clicked row's bit: clicking a selected row clears the range.
        {3, Qt::ShiftModifier, {1, 2}},
        {6, Qt::ShiftModifier, {1, 2, 3, 4, 5, 6}},
        {0, Qt::ShiftModifier | Qt::ControlModifier, {0, 1, 2, 3, 4, 5, 6}},
    };
    for (const Click& click : clicks) {
        ClickRow(click.row, click.modifiers);
        EXPECT_EQ(SelectedRows(), click.selected) << "after clicking row " << click.row;
        EXPECT_EQ(list.ItemIndex(), click.row);
    }
    EXPECT_EQ(list.ClearSelection(), 7);
    EXPECT_TRUE(SelectedRows().empty());
    EXPECT_EQ(select_events, 0);  // left to the owner
}

TEST_F(ListboxSelectionTest, SingleSelectKeepsOneRowWhateverTheModifiers) {
    const Click clicks[] = {
        {1, Qt::NoModifier, {1}},
        {3, Qt::ControlModifier, {3}},
        {6, Qt::ShiftModifier, {6}},
    };
    for (const Click& click : clicks) {
        ClickRow(click.row, click.modifiers);
        EXPECT_EQ(SelectedRows(), click.selected) << "after clicking row " << click.row;
    }
    QStringList copied;
    list.GetSelectedLines(copied);
    EXPECT_EQ(copied, QStringList{"line 6"});
}

TEST_F(ListboxSelectionTest, ShiftWithArrowKeysExtendsFromTheCurrentRow) {
    list.SetMultiSelect(true);
    ClickRow(3);
    QTest::keyClick(&list, Qt::Key_Down, Qt::ShiftModifier);
    QTest::keyClick(&list, Qt::Key_Down, Qt::ShiftModifier);
    EXPECT_EQ(SelectedRows(), (std::vector<int>{3, 4, 5}));
    EXPECT_EQ(list.ItemIndex(), 5);
}

TEST_F(ListboxSelectionTest, ItemIndexIsClampedAndSelectsOnlyItsRow) {
    list.SetMultiSelect(true);
    ClickRow(1);
    ClickRow(2, Qt::ControlModifier);
    struct Case {
        int set;
        int expected;
    };
    for (const Case test : {Case{5, 5}, Case{1000, 7}, Case{-3, 0}}) {
        list.SetItemIndex(test.set);
        EXPECT_EQ(list.ItemIndex(), test.expected) << "set to " << test.set;
        EXPECT_EQ(SelectedRows(), std::vector<int>{test.expected});
    }
    list.ClearLines();
    list.SetItemIndex(3);
    EXPECT_EQ(list.ItemIndex(), -1);
}

TEST_F(ListboxSelectionTest, RowsThatGoAwayTakeTheCurrentRowWithThem) {
    struct Case {
        const char* name;
        std::function<void()> remove;
        int current;  // after four more lines are added
    };
    const Case cases[] = {
        {"cleared", [&] { list.ClearLines(); }, 0},
        {"trimmed to four lines",
         [&] {
             list.SetMaxLines(8);
             list.SetMaxLinesThreshold(4);
             AddNumberedLines(1, 8);
         },
         3},
    };
    for (const Case& test : cases) {
        list.SetMaxLines(0);
        list.ClearLines();
        AddNumberedLines(8);
        list.SetItemIndex(6);
        test.remove();
        AddNumberedLines(4, 20);
        EXPECT_EQ(list.ItemIndex(), test.current) << test.name;
    }
}

TEST_F(ListboxSelectionTest, ClickBelowTheLastRowChangesNothing) {
    ClickRow(2);
    ClickRow(9);
    EXPECT_EQ(SelectedRows(), std::vector<int>{2});
    EXPECT_EQ(list.ItemIndex(), 2);
}

// Copying rejoins the rows of one wrapped line that carries an object.
TEST_F(ListboxTest, CopyingAWrappedColouredLineGivesItWhole) {
    ASSERT_NO_FATAL_FAILURE(SetPaneChars(20));
    ASSERT_NO_FATAL_FAILURE(SetPaneRows(20));
    list.SetMultiSelect(true);
    const QString coloured = QString(30, 'r');
    const QString plain = QString(25, 'p');
    list.AddText(coloured, (new TmTesselLine)->SetColor(clRed));    // rows 0, 1
    list.AddText(plain);                                            // rows 2, 3
    list.AddText("one\ntwo", (new TmTesselLine)->SetColor(clRed));  // rows 4, 5
    ASSERT_EQ(list.RowCount(), 6);

    ClickRow(0);
    ClickRow(5, Qt::ShiftModifier);
    std::vector<TmSelectedLine> copied;
    list.GetSelectedLines(copied);
    ASSERT_EQ(copied.size(), 5u);
    EXPECT_EQ(copied[0].Text, coloured);
    EXPECT_EQ(copied[0].Object, list.Lines()[0].Object.get());
    // Rows of a line without an object are copied row by row.
    EXPECT_EQ(copied[1].Text, QString(20, 'p'));
    EXPECT_EQ(copied[2].Text, QString(5, 'p'));
    EXPECT_EQ(copied[1].Object, nullptr);
    // Two lines of one text have objects of their own, so they stay apart.
    EXPECT_EQ(copied[3].Text, "one");
    EXPECT_EQ(copied[4].Text, "two");

    // Only the second row of the coloured line selected: only that piece.
    ClickRow(1);
    QStringList texts;
    list.GetSelectedLines(texts);
    EXPECT_EQ(texts, QStringList{QString(10, 'r')});
}

}  // namespace
