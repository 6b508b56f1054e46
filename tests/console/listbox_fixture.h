#pragma once
// An output list shown offscreen in a known fixed-pitch font, sized in
// characters and rows so that tests state their expectations in those units.

#include <gtest/gtest.h>

#include <QFontDatabase>
#include <QFontMetrics>
#include <QTest>
#include <vector>

#include "console/virtual_listbox.h"

// A coloured line that counts how many of its kind are alive, so tests can
// see the list free the objects it owns.
class CountedLine : public TmTesselLine {
  public:
    explicit CountedLine(int& alive) : alive_(alive) { ++alive_; }
    ~CountedLine() override { --alive_; }
    TmVirtualListBoxLine* CreateSameClass() const override { return new CountedLine(alive_); }

  private:
    int& alive_;
};

// The tests' fonts are loaded from their files (scripts/setup.sh installs
// fonts-dejavu-core) rather than asked of the machine's font configuration:
// which font "monospace" or a family name gives depends on what else is
// installed, and wrap points move with it.
inline QFont TestFont(const QString& file) {
    const int id = QFontDatabase::addApplicationFont(
        QStringLiteral("/usr/share/fonts/truetype/dejavu/") + file);
    const QStringList families = QFontDatabase::applicationFontFamilies(id);
    EXPECT_FALSE(families.isEmpty()) << file.toStdString() << " not found (fonts-dejavu-core)";
    return QFont(families.isEmpty() ? QString() : families.front());
}

// DejaVu Sans Mono: every character of one width.
inline QFont TestFixedFont() {
    static const QFont font = TestFont(QStringLiteral("DejaVuSansMono.ttf"));
    return font;
}

class ListboxTest : public ::testing::Test {
  protected:
    void SetUp() override {
        QFont font = TestFixedFont();
        font.setPixelSize(12);
        list.setFont(font);
        list.resize(400, 200);
        list.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&list));
    }

    // Sizes the pane so that `chars` copies of c fit in a row and one more does not.
    void SetPaneChars(int chars, QChar c = QLatin1Char('x')) {
        const QFontMetrics metrics(list.font());
        const int fits = metrics.horizontalAdvance(QString(chars, c));
        ASSERT_GT(metrics.horizontalAdvance(QString(chars + 1, c)), fits + 1);
        const int client = fits + 3;  // the row width is the client width - 2
        list.resize(list.width() + client - list.viewport()->width(), list.height());
        ASSERT_EQ(list.MaxWidth(), fits + 1);
    }

    // Sizes the pane to show `rows` whole rows (and part of one more).
    void SetPaneRows(int rows) {
        const int client = rows * list.DefaultRowHeight() + list.DefaultRowHeight() / 2;
        list.resize(list.width(), list.height() + client - list.viewport()->height());
        ASSERT_EQ(list.VisibleRowCount(), rows);
    }

    void AddNumberedLines(int count, int first = 0) {
        QStringList lines;
        for (int i = first; i < first + count; ++i) lines.append(QStringLiteral("line %1").arg(i));
        list.AddLines(lines);
    }

    void ClickRow(int row, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        const int height = list.DefaultRowHeight();
        const QPoint at(5, (row - list.TopRow()) * height + height / 2);
        QTest::mouseClick(list.viewport(), Qt::LeftButton, modifiers, at);
    }

    std::vector<int> SelectedRows() const {
        std::vector<int> rows;
        for (int row = 0; row < list.RowCount(); ++row)
            if (list.RowSelected(row)) rows.push_back(row);
        return rows;
    }

    std::vector<int> RowLengths() const {
        std::vector<int> lengths;
        for (int row = 0; row < list.RowCount(); ++row)
            lengths.push_back(static_cast<int>(list.RowText(row).size()));
        return lengths;
    }

    TmVirtualListbox list;
};
