// Adding, trimming, wrapping, scrolling and painting of the output list.

#include <QCoreApplication>
#include <QImage>
#include <QScrollBar>
#include <QWheelEvent>
#include <functional>
#include <string>
#include <thread>

#include "foundation/errors.h"

#include "listbox_fixture.h"

namespace {

QStringList LineTexts(const TmVirtualListbox& list) {
    QStringList texts;
    for (const TmListLine& line : list.Lines()) texts.append(line.Text);
    return texts;
}

TEST_F(ListboxTest, AddTextSplitsAtEveryKindOfLineBreak) {
    struct Case {
        const char* name;
        QString text;
        QStringList lines;
    };
    const Case cases[] = {
        {"line feed", "a\nb", {"a", "b"}},
        {"carriage return and line feed", "a\r\nb", {"a", "b"}},
        {"carriage return alone", "a\rb", {"a", "b"}},
        {"empty line kept", "a\n\nb", {"a", "", "b"}},
        {"final break adds no line", "a\r\n", {"a"}},
        {"a lone break is one empty line", "\n", {""}},
        {"no text, no line", "", {}},
    };
    for (const Case& test : cases) {
        list.ClearLines();
        list.AddText(test.text);
        EXPECT_EQ(LineTexts(list), test.lines) << test.name;
    }
}

TEST_F(ListboxTest, EveryLineOfOneAddTextGetsItsOwnCopyOfTheColour) {
    int alive = 0;
    list.AddText("a\nb", (new CountedLine(alive))->SetColor(clRed));
    ASSERT_EQ(list.LineCount(), 2);
    const auto* first = dynamic_cast<const CountedLine*>(list.Lines()[0].Object.get());
    const auto* second = dynamic_cast<const CountedLine*>(list.Lines()[1].Object.get());
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    EXPECT_NE(first, second);
    EXPECT_EQ(first->Color, clRed);
    EXPECT_EQ(second->Color, clRed);
    EXPECT_EQ(alive, 2);
    EXPECT_EQ(list.RowObject(1), second);

    list.ClearLines();
    EXPECT_EQ(alive, 0);
}

TEST_F(ListboxTest, AddingNoTextFreesTheObject) {
    int alive = 0;
    list.AddText("", new CountedLine(alive));
    EXPECT_EQ(alive, 0);
    EXPECT_EQ(list.LineCount(), 0);
    EXPECT_EQ(list.RowCount(), 0);
}

TEST_F(ListboxTest, ExceedingMaxLinesCutsBackToTheThresholdAndReportsTheOldest) {
    list.SetMaxLines(1000);
    list.SetMaxLinesThreshold(100);
    int alive = 0;
    QStringList reported;
    int alive_while_reported = -1;
    list.OnClearLines = [&](TmVirtualListbox*, const TmListLines& lines) {
        for (const TmListLine& line : lines) reported.append(line.Text);
        alive_while_reported = alive;
    };
    for (int i = 0; i < 1000; ++i)
        list.AddText(QStringLiteral("line %1").arg(i), new CountedLine(alive));
    EXPECT_TRUE(reported.isEmpty());
    EXPECT_EQ(list.LineCount(), 1000);

    list.AddText("line 1000", new CountedLine(alive));
    EXPECT_EQ(list.LineCount(), 900);
    ASSERT_EQ(reported.size(), 101);
    EXPECT_EQ(reported.front(), "line 0");
    EXPECT_EQ(reported.back(), "line 100");
    EXPECT_EQ(alive_while_reported, 1001);  // objects live through the report
    EXPECT_EQ(alive, 900);
    EXPECT_EQ(list.RowCount(), 900);
    EXPECT_EQ(list.RowText(0), "line 101");
    EXPECT_EQ(list.RowText(899), "line 1000");
}

TEST_F(ListboxTest, ClearLinesReportsEverythingAndEmptiesRowsAndSelection) {
    AddNumberedLines(5);
    list.SetItemIndex(2);
    int reported = 0;
    list.OnClearLines = [&](TmVirtualListbox*, const TmListLines& lines) {
        reported = static_cast<int>(lines.size());
    };
    list.ClearLines();
    EXPECT_EQ(reported, 5);
    EXPECT_EQ(list.RowCount(), 0);
    EXPECT_EQ(list.ItemIndex(), -1);
    EXPECT_EQ(list.ClearSelection(), 0);
}

// Row lengths when a pane 100 characters wide wraps one line.
struct WrapCase {
    const char* name;
    QString text;
    std::vector<int> rows;
};

QString Words(int count) {
    return QString("abcdefg ").repeated(count);
}

TEST_F(ListboxTest, WrapsAtThePaneWidthPreferringASpaceInTheSecondHalf) {
    ASSERT_NO_FATAL_FAILURE(SetPaneChars(100));
    const WrapCase cases[] = {
        {"fits in one row", "short", {5}},
        {"empty line is one empty row", "", {0}},
        {"no spaces: cut at the width", QString(300, 'x'), {100, 100, 100}},
        // Spaces every 8 characters: the rightmost within reach is at 96.
        {"cut after the last space that fits", Words(37) + "abcd", {96, 96, 96, 12}},
        {"a space in the first half is ignored", "a " + QString(298, 'b'), {100, 100, 100}},
        // The cut keeps one trailing space; the blanks after it and at the
        // end of the line are trimmed away.
        {"blanks around the rest are trimmed",
         QString(99, 'x') + "   " + QString(50, 'y') + "  ",
         {100, 50}},
    };
    for (const WrapCase& test : cases) {
        list.ClearLines();
        list.AddLines({test.text});
        EXPECT_EQ(RowLengths(), test.rows) << test.name;
    }
    list.ClearLines();
    list.AddText(Words(37) + "abcd");
    EXPECT_TRUE(list.RowText(0).endsWith(' '));
    EXPECT_EQ(list.RowText(3), "abcdefg abcd");
}

TEST_F(ListboxTest, WrapShrinksItsEstimateForCharactersWiderThanAverage) {
    // In a proportional font the average width overestimates how many W fit.
    QFont font = TestFont(QStringLiteral("DejaVuSans.ttf"));
    font.setPixelSize(12);
    list.setFont(font);
    const QFontMetrics metrics(font);
    ASSERT_GT(metrics.horizontalAdvance('W'), metrics.averageCharWidth());
    ASSERT_NO_FATAL_FAILURE(SetPaneChars(40, 'W'));
    list.AddText(QString(100, 'W'));
    EXPECT_EQ(RowLengths(), (std::vector<int>{40, 40, 20}));
}

TEST_F(ListboxTest, NarrowingThePaneRewrapsEveryLine) {
    ASSERT_NO_FATAL_FAILURE(SetPaneChars(100));
    list.AddText(QString(200, 'x'));
    EXPECT_EQ(RowLengths(), (std::vector<int>{100, 100}));
    ASSERT_NO_FATAL_FAILURE(SetPaneChars(50));
    EXPECT_EQ(RowLengths(), (std::vector<int>{50, 50, 50, 50}));
    EXPECT_EQ(list.LineCount(), 1);
}

TEST_F(ListboxTest, WithoutWrappingEachLineIsOneRowScrolledSideways) {
    ASSERT_NO_FATAL_FAILURE(SetPaneChars(50));
    list.SetWrapLines(false);
    list.SetColumns(32768);
    list.AddText(QString(300, 'x') + "\nshort");
    EXPECT_EQ(RowLengths(), (std::vector<int>{300, 5}));

    QScrollBar* bar = list.horizontalScrollBar();
    const int client = list.viewport()->width();
    EXPECT_EQ(bar->maximum(), 32768 - client);
    QTest::keyClick(&list, Qt::Key_Right);
    EXPECT_EQ(bar->value(), 10);
    QTest::keyClick(&list, Qt::Key_Right, Qt::ControlModifier);
    EXPECT_EQ(bar->value(), 10 + client);
    QTest::keyClick(&list, Qt::Key_Left, Qt::ControlModifier);
    QTest::keyClick(&list, Qt::Key_Left);
    QTest::keyClick(&list, Qt::Key_Left);
    EXPECT_EQ(bar->value(), 0);
    bar->setValue(bar->maximum());
    QTest::keyClick(&list, Qt::Key_Right);
    EXPECT_EQ(bar->value(), 32768 - client);

    // Wrapping again: rows follow the pane and nothing scrolls sideways.
    list.SetWrapLines(true);
    EXPECT_EQ(RowLengths(), (std::vector<int>{50, 50, 50, 50, 50, 50, 5}));
    EXPECT_EQ(bar->maximum(), 0);
}

TEST_F(ListboxTest, UnwrappedSidewaysRangeFollowsThePaneWidth) {
    list.SetWrapLines(false);
    list.SetColumns(32768);
    QScrollBar* bar = list.horizontalScrollBar();
    for (const int width : {300, 600, 200}) {
        list.resize(width, list.height());
        EXPECT_EQ(bar->maximum(), 32768 - list.viewport()->width()) << "pane " << width;
        EXPECT_EQ(bar->pageStep(), 32768 / 4) << "pane " << width;
    }
}

TEST_F(ListboxTest, NewRowsStayInViewUntilTheUserScrollsAway) {
    ASSERT_NO_FATAL_FAILURE(SetPaneRows(10));
    int changes = 0;
    list.OnScrollLockChange = [&](TmVirtualListbox*) { ++changes; };
    AddNumberedLines(100);
    EXPECT_EQ(list.TopRow(), 90);
    EXPECT_FALSE(list.ScrollLocked());

    // A wheel turn upwards is a scroll by the user away from the bottom.
    QWheelEvent wheel(QPointF(10, 10), list.viewport()->mapToGlobal(QPointF(10, 10)), QPoint(),
                      QPoint(0, 120), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(list.viewport(), &wheel);
    const int top = list.TopRow();
    EXPECT_LT(top, 90);
    EXPECT_TRUE(list.ScrollLocked());
    EXPECT_EQ(changes, 1);
    AddNumberedLines(5, 100);
    EXPECT_EQ(list.TopRow(), top);

    // Back at the bottom the view follows again.
    list.verticalScrollBar()->triggerAction(QAbstractSlider::SliderToMaximum);
    EXPECT_FALSE(list.ScrollLocked());
    EXPECT_EQ(changes, 2);
    AddNumberedLines(5, 105);
    EXPECT_EQ(list.TopRow(), 100);

    // Scrolling within the bottom changes nothing.
    list.verticalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_EQ(changes, 2);
}

TEST_F(ListboxTest, HomeAndEndMoveToTheFirstAndLastRow) {
    ASSERT_NO_FATAL_FAILURE(SetPaneRows(10));
    AddNumberedLines(50);
    list.SetItemIndex(20);
    QTest::keyClick(&list, Qt::Key_Home);
    EXPECT_EQ(list.ItemIndex(), 0);
    EXPECT_EQ(list.TopRow(), 0);
    QTest::keyClick(&list, Qt::Key_End);
    EXPECT_EQ(list.ItemIndex(), 49);
    EXPECT_EQ(list.TopRow(), 40);
    EXPECT_EQ(SelectedRows(), std::vector<int>{49});
}

// Paints the pane and reports which colours a row's pixels use.
class ListboxPaintTest : public ListboxTest {
  protected:
    QImage Paint() {
        QImage image(list.viewport()->size(), QImage::Format_RGB32);
        list.viewport()->render(&image);
        return image;
    }
    bool RowUses(const QImage& image, int row, const QColor& color) const {
        const int height = list.DefaultRowHeight();
        for (int y = row * height; y < (row + 1) * height; ++y)
            for (int x = 0; x < image.width(); ++x)
                if (image.pixelColor(x, y) == color) return true;
        return false;
    }
    QColor RowBackground(const QImage& image, int row) const {
        return image.pixelColor(image.width() - 3, row * list.DefaultRowHeight() + 1);
    }
};

TEST_F(ListboxPaintTest, LineObjectsColourRowsAndSelectionColoursWin) {
    // A full block covers whole pixels, so its exact colour shows.
    const QString block(10, QChar(0x2588));
    list.AddText(block);
    list.AddText(block, (new TmTesselLine)->SetColor(clRed));
    list.AddText(block, (new TmTesselLine)->SetColor(clRed));
    std::vector<int> asked;
    list.OnGetItemColor = [&](TmVirtualListbox*, int row, TmVirtualListBoxLine* object,
                              QColor& text, QColor& background) {
        asked.push_back(row);
        if (const auto* line = dynamic_cast<TmTesselLine*>(object)) {
            text = TColorToQColor(line->Color);
            background = Qt::white;
        }
    };
    list.SetMultiSelect(true);
    list.SetSelectColorBackGround(TColorToQColor(clSilver));
    list.SetSelectColorText(TColorToQColor(clNavy));
    list.SetItemIndex(2);

    const QImage image = Paint();
    // An uncoloured row keeps the pane's own colours.
    EXPECT_EQ(RowBackground(image, 0), list.palette().color(QPalette::Base));
    EXPECT_TRUE(RowUses(image, 0, list.palette().color(QPalette::Text)));
    EXPECT_EQ(RowBackground(image, 1), QColor(Qt::white));
    EXPECT_TRUE(RowUses(image, 1, QColor(255, 0, 0)));
    EXPECT_EQ(RowBackground(image, 2), QColor(0xC0, 0xC0, 0xC0));
    EXPECT_TRUE(RowUses(image, 2, QColor(0, 0, 0x80)));
    EXPECT_FALSE(RowUses(image, 2, QColor(255, 0, 0)));
    // Asked only about rows that exist and are not selected.
    for (const int row : asked) EXPECT_LT(row, 2);
    EXPECT_FALSE(asked.empty());
}

// The list belongs to the GUI thread: each entry point, whether it changes or
// only reads the list, refuses a call from another thread before it touches
// anything, and an object handed over with a refused addition is still freed.
TEST_F(ListboxTest, EveryEntryPointRefusesAnotherThread) {
    list.AddText("kept\nas it was");
    list.SetItemIndex(1);
    int alive = 0;
    struct Case {
        const char* entry;
        std::function<void()> call;
    };
    const Case cases[] = {
        {"AddText", [&] { list.AddText("from a worker", new CountedLine(alive)); }},
        {"AddLines",
         [&] {
             list.AddLines({"a", "b"}, new CountedLine(alive));
         }},
        {"ClearLines", [&] { list.ClearLines(); }},
        {"ClearSelection", [&] { list.ClearSelection(); }},
        {"SetItemIndex", [&] { list.SetItemIndex(0); }},
        {"SetWrapLines", [&] { list.SetWrapLines(false); }},
        {"SetColumns", [&] { list.SetColumns(100); }},
        {"SetMaxLines", [&] { list.SetMaxLines(1); }},
        {"SetMultiSelect", [&] { list.SetMultiSelect(true); }},
        {"SetSelectColorText", [&] { list.SetSelectColorText(Qt::green); }},
        {"GetSelectedLines",
         [&] {
             QStringList copied;
             list.GetSelectedLines(copied);
         }},
        {"Lines", [&] { (void)list.Lines(); }},
        {"RowCount", [&] { (void)list.RowCount(); }},
        {"RowText", [&] { (void)list.RowText(0); }},
        {"ItemIndex", [&] { (void)list.ItemIndex(); }},
        {"TopRow", [&] { (void)list.TopRow(); }},
    };
    for (const Case& test : cases) {
        std::string refusal;
        std::thread([&] {
            try {
                test.call();
            } catch (const EDeveloper& error) {
                refusal = error.what();
            }
        }).join();
        EXPECT_EQ(refusal, std::string("TmVirtualListbox::") + test.entry +
                               " called from a thread other than the GUI thread")
            << test.entry;
    }
    EXPECT_EQ(alive, 0);
    EXPECT_EQ(LineTexts(list), (QStringList{"kept", "as it was"}));
    EXPECT_EQ(list.ItemIndex(), 1);
    EXPECT_TRUE(list.WrapLines());
    EXPECT_EQ(list.MaxLines(), 0);
}

}  // namespace
