// Find in the output list: Ctrl+F opens the bar, the typed text is
// highlighted and the current row steps through the rows that hold it.

#include <QImage>
#include <QLineEdit>
#include <QScrollBar>

#include "console/output_find_bar.h"
#include "console/settings_file.h"
#include "window_fixture.h"

namespace {

class WindowFind : public WindowTest {
  protected:
    TcOutputFindBar& Bar() { return *window->FindBar; }
    void PressInBar(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::keyClick(&Bar().Field(), static_cast<Qt::Key>(key), modifiers);
    }
    // The row of the output list that shows the text.
    int RowOf(const QString& text) {
        for (int row = 0; row < Output().RowCount(); ++row)
            if (Output().RowText(row) == text) return row;
        ADD_FAILURE() << "no row " << text.toStdString();
        return -1;
    }
    // Whether the row, as painted, shows the highlight colour.
    bool PaintedHighlighted(int row) {
        Output().viewport()->repaint();
        const QImage picture = Output().viewport()->grab().toImage();
        const int top = (row - Output().TopRow()) * Output().DefaultRowHeight();
        const QRgb mark = TmVirtualListbox::HighlightColor().rgb();
        for (int y = top; y < top + Output().DefaultRowHeight() && y < picture.height(); ++y)
            for (int x = 0; x < picture.width(); ++x)
                if ((picture.pixel(x, y) & 0xffffff) == (mark & 0xffffff)) return true;
        return false;
    }
};

TEST_F(WindowFind, CtrlFHighlightsAndStepsThroughTheMatchesAndEscCloses) {
    ASSERT_TRUE(
        Execute(QStringLiteral("ECHO Alpha one;\nECHO beta;\nECHO alphabet;\nECHO gamma;")));
    const int alpha = RowOf(QStringLiteral("Alpha one"));
    const int alphabet = RowOf(QStringLiteral("alphabet"));
    const int beta = RowOf(QStringLiteral("beta"));
    Output().SetItemIndex(0);
    EXPECT_FALSE(Bar().isVisible());

    Press(Qt::Key_F, Qt::ControlModifier);
    ASSERT_TRUE(Bar().isVisible());
    EXPECT_TRUE(Bar().Field().hasFocus());
    QTest::keyClicks(&Bar().Field(), QStringLiteral("alpha"));
    // Typing finds the first row from the current one on, whatever the case.
    EXPECT_EQ(Output().ItemIndex(), alpha);
    EXPECT_EQ(Bar().Status(), QStringLiteral("1 of 2"));
    EXPECT_EQ(Output().HighlightText(), QStringLiteral("alpha"));
    EXPECT_TRUE(PaintedHighlighted(alphabet));
    EXPECT_FALSE(PaintedHighlighted(beta));

    const struct {
        int Key;
        Qt::KeyboardModifiers Modifiers;
        int Row;
        const char* Status;
    } steps[] = {
        {Qt::Key_Return, Qt::NoModifier, alphabet, "2 of 2"},
        {Qt::Key_Return, Qt::NoModifier, alpha, "1 of 2"},  // round the end
        {Qt::Key_F3, Qt::ShiftModifier, alphabet, "2 of 2"},
        {Qt::Key_F3, Qt::NoModifier, alpha, "1 of 2"},
        {Qt::Key_Return, Qt::ShiftModifier, alphabet, "2 of 2"},
    };
    for (const auto& step : steps) {
        PressInBar(step.Key, step.Modifiers);
        EXPECT_EQ(Output().ItemIndex(), step.Row) << step.Status;
        EXPECT_EQ(Bar().Status(), QString::fromLatin1(step.Status));
    }
    QTest::keyClicks(&Bar().Field(), QStringLiteral("x"));
    EXPECT_EQ(Bar().Status(), QStringLiteral("No match"));
    PressInBar(Qt::Key_Backspace);

    // Esc closes the bar (it is not the window's Cancel there) and takes
    // the highlight away.
    PressInBar(Qt::Key_Escape);
    EXPECT_FALSE(Bar().isVisible());
    EXPECT_TRUE(Output().HighlightText().isEmpty());
    EXPECT_FALSE(PaintedHighlighted(alphabet));
    EXPECT_TRUE(Output().hasFocus());
    // F3 from the list goes on with the same text.
    QTest::keyClick(&Output(), Qt::Key_F3);
    EXPECT_TRUE(Bar().isVisible());
    EXPECT_EQ(Output().ItemIndex(), alpha);
}

TEST_F(WindowFind, AMatchFarToTheRightIsScrolledIntoView) {
    const QString far = QString(400, QLatin1Char('x')) + QStringLiteral("needle");
    ASSERT_TRUE(Execute(QStringLiteral("ECHO %1;").arg(far)));
    Output().horizontalScrollBar()->setValue(0);
    Press(Qt::Key_F, Qt::ControlModifier);
    QTest::keyClicks(&Bar().Field(), QStringLiteral("needle"));
    EXPECT_EQ(Output().ItemIndex(), RowOf(far));
    EXPECT_GT(Output().horizontalScrollBar()->value(), 0);
    EXPECT_TRUE(PaintedHighlighted(RowOf(far)));
}

// Columns of accented and East Asian text line up in the output list: the
// view pads them by screen cells, and the list lays characters out by the
// same cells, so each column starts at the same x in every row.
TEST_F(WindowTest, NonAsciiColumnsLineUpInTheOutputList) {
    TcSettingsFile().WriteString(QStringLiteral("CHARACTER_SET"), QStringLiteral("UTF8"));
    OpenWindow();
    CreateDatabase();
    ASSERT_TRUE(Execute(
        QStringLiteral("CREATE TABLE p (name VARCHAR(12) CHARACTER SET UTF8, city VARCHAR(12) "
                       "CHARACTER SET UTF8, n INTEGER);\nCOMMIT;\n"
                       "INSERT INTO p VALUES ('Ada', 'London', 1);\n"
                       "INSERT INTO p VALUES (_UTF8 'Zoë', _UTF8 '東京都', 2);\n"
                       "INSERT INTO p VALUES (_UTF8 'Åsá', _UTF8 'Zürich', 3);\n")));
    for (const bool classic : {false, true}) {
        ASSERT_TRUE(window->ApplyColorScheme(classic));
        const int first = Output().RowCount();
        ASSERT_TRUE(Execute(QStringLiteral("SELECT name, city, n FROM p ORDER BY n;")));
        int header = -1;
        for (int row = first; row < Output().RowCount(); ++row)
            if (Output().RowText(row).startsWith(QStringLiteral("NAME"))) header = row;
        ASSERT_GE(header, 0);
        const int cityX =
            Output().TextX(header, Output().RowText(header).indexOf(QStringLiteral("CITY")));
        int numberEnd = 0;
        const struct {
            const char* City;
            const char* Number;
        } rows[] = {{"London", "1"}, {"東京都", "2"}, {"Zürich", "3"}};
        for (int i = 0; i < 3; ++i) {
            const int row = header + 2 + i;  // below the header and its rule
            const QString text = Output().RowText(row);
            const QString city = QString::fromUtf8(rows[i].City);
            ASSERT_TRUE(text.contains(city)) << text.toStdString();
            EXPECT_EQ(Output().TextX(row, text.indexOf(city)), cityX) << text.toStdString();
            // Numbers stand right-aligned: they end where the first row's does.
            const QString number = QString::fromLatin1(rows[i].Number);
            const int end = Output().TextX(row, text.lastIndexOf(number) + 1);
            if (i == 0) numberEnd = end;
            EXPECT_EQ(end, numberEnd) << text.toStdString();
        }
    }
}

}  // namespace
