#pragma once
// The console's output pane: an append-only list of text lines drawn as rows
// of one column. Every logical line is kept as added (with its line object);
// display rows are derived from the lines, wrapped to the pane's width or one
// per line. Old lines are trimmed beyond MaxLines, the newest rows stay in
// view unless the user scrolled away, and rows can be selected and copied.
//
// The view paints only the rows on screen from its own line store, so the
// cost of scrolling and painting does not depend on how many lines it holds.
//
// Threading: GUI thread only, like any widget. Adding a line measures text in
// the widget's font, moves the scroll bars and repaints the viewport, none of
// which Qt allows off the GUI thread, so a lock could not make additions from
// other threads safe, and there is none. Every public member checks the
// calling thread and raises EDeveloper when it is not the widget's, in every
// build; output made on another thread reaches the list through the event
// loop (a queued signal or the notification hub's queue). The event members
// are assigned and called on the GUI thread too, and the Lines() reference is
// for that thread alone.

#include <QAbstractScrollArea>
#include <QColor>
#include <QStringList>
#include <QThread>
#include <deque>
#include <functional>
#include <memory>
#include <vector>

#include "console/tessel_line.h"

class QPainter;

// A logical line with the object it owns (or none).
struct TmListLine {
    QString Text;
    std::unique_ptr<TmVirtualListBoxLine> Object;
};
using TmListLines = std::deque<TmListLine>;

// An entry of copied output: the text and the line object it came from (not owned).
struct TmSelectedLine {
    QString Text;
    const TmVirtualListBoxLine* Object;
};

class TmVirtualListbox : public QAbstractScrollArea {
    Q_OBJECT

  public:
    explicit TmVirtualListbox(QWidget* parent = nullptr);
    ~TmVirtualListbox() override;

    // Splits text at CR, LF or CR LF and adds the lines with AddLines. Takes
    // ownership of object (which may be null), also when the call is refused.
    void AddText(const QString& text, TmVirtualListBoxLine* object = nullptr);
    // Adds lines that all carry the colour of object: the first line keeps it,
    // every further line gets a copy. No lines: the object is freed.
    void AddLines(const QStringList& lines, TmVirtualListBoxLine* object = nullptr);
    // Removes every line (reported to OnClearLines first) and the selection.
    void ClearLines();
    // Clears every selection bit; returns how many were set.
    int ClearSelection();
    // Appends the selected text. With MultiSelect, the selected rows of one
    // wrapped line that carries an object are joined back into that line;
    // rows of lines without an object are added one by one. Without
    // MultiSelect, the current row.
    void GetSelectedLines(std::vector<TmSelectedLine>& target) const;
    void GetSelectedLines(QStringList& target) const;

    // Every logical line as added; the owner saves output from here.
    const TmListLines& Lines() const {
        CheckGuiThread(__func__);
        return lines_;
    }
    int LineCount() const {
        CheckGuiThread(__func__);
        return static_cast<int>(lines_.size());
    }

    int RowCount() const {
        CheckGuiThread(__func__);
        return static_cast<int>(rows_.size());
    }
    QString RowText(int row) const;
    TmVirtualListBoxLine* RowObject(int row) const;
    bool RowSelected(int row) const;
    // First row on screen, and how many rows fit wholly on screen.
    int TopRow() const;
    int VisibleRowCount() const;
    int DefaultRowHeight() const {
        CheckGuiThread(__func__);
        return row_height_;
    }
    // Width available to a row in pixels and the estimate of characters per
    // row; both follow the pane's width once it is shown.
    int MaxWidth() const {
        CheckGuiThread(__func__);
        return max_width_;
    }
    int MaxChars() const {
        CheckGuiThread(__func__);
        return max_chars_;
    }

    bool WrapLines() const {
        CheckGuiThread(__func__);
        return wrap_lines_;
    }
    void SetWrapLines(bool wrap);
    // Width in pixels of the single column when lines are not wrapped.
    int Columns() const {
        CheckGuiThread(__func__);
        return columns_;
    }
    void SetColumns(int width);
    // 0: no limit. Beyond it the oldest lines are cut until MaxLines -
    // MaxLinesThreshold remain, so that cutting happens once per threshold.
    int MaxLines() const {
        CheckGuiThread(__func__);
        return max_lines_;
    }
    void SetMaxLines(int count) {
        CheckGuiThread(__func__);
        max_lines_ = count;
    }
    int MaxLinesThreshold() const {
        CheckGuiThread(__func__);
        return max_lines_threshold_;
    }
    void SetMaxLinesThreshold(int count) {
        CheckGuiThread(__func__);
        max_lines_threshold_ = count;
    }
    // When set, new rows do not move the view; set by scrolling away from the
    // bottom, cleared by scrolling back to it.
    bool ScrollLocked() const {
        CheckGuiThread(__func__);
        return scroll_locked_;
    }
    void SetScrollLocked(bool locked) {
        CheckGuiThread(__func__);
        scroll_locked_ = locked;
    }
    bool MultiSelect() const {
        CheckGuiThread(__func__);
        return multi_select_;
    }
    void SetMultiSelect(bool multi) {
        CheckGuiThread(__func__);
        multi_select_ = multi;
    }
    QColor SelectColorBackGround() const {
        CheckGuiThread(__func__);
        return select_back_;
    }
    void SetSelectColorBackGround(const QColor& color);
    QColor SelectColorText() const {
        CheckGuiThread(__func__);
        return select_text_;
    }
    void SetSelectColorText(const QColor& color);
    // The current row, -1 without rows. Setting clears the selection and
    // selects the row, clamped into the rows present.
    int ItemIndex() const;
    void SetItemIndex(int row);

    // Every occurrence of the text in a row, without regard to case, is
    // painted on the highlight colour (in black); empty: none.
    void SetHighlightText(const QString& text);
    QString HighlightText() const {
        CheckGuiThread(__func__);
        return highlight_;
    }
    static QColor HighlightColor() { return QColor(255, 215, 0); }
    // Where the character at index of the row starts, in pixels from the
    // row's left edge (before sideways scrolling). Text is laid out by
    // screen cells (foundation/screen_cells.h) of the width of "0", so
    // that columns of accented or East Asian text line up whatever width
    // the font gives their glyphs.
    int TextX(int row, int index) const;
    // Scrolls sideways, when needed, so that length characters of the row
    // from start are on screen.
    void RevealText(int row, int start, int length);
    // Colours of a row that is not selected; both start as the pane's colours.
    std::function<void(TmVirtualListbox* sender, int row, TmVirtualListBoxLine* object,
                       QColor& text, QColor& background)>
        OnGetItemColor;
    // Lines about to be discarded (their objects are freed right after).
    std::function<void(TmVirtualListbox* sender, const TmListLines& lines)> OnClearLines;
    std::function<void(TmVirtualListbox* sender)> OnScrollLockChange;
    // For the owner's use; the list itself never fires it.
    std::function<void(TmVirtualListbox* sender)> OnSelect;

  protected:
    void paintEvent(QPaintEvent* event) override;
    bool viewportEvent(QEvent* event) override;
    void changeEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    // Raises EDeveloper naming the entry point unless called on the thread the
    // widget belongs to. Cheap enough for every call: one thread-local read.
    void CheckGuiThread(const char* entry) const {
        if (QThread::currentThread() != thread()) RefuseOtherThread(entry);
    }
    [[noreturn]] void RefuseOtherThread(const char* entry) const;

    // A display row: a piece of one logical line.
    struct TRow {
        int32_t Line;
        int32_t Start;
        int32_t Length;
    };

    void TrimToMaxLines();
    void RebuildRows();
    void WrapLine(int32_t line);
    void UpdateRowCount();
    void UpdateScrollBars();
    void UpdateVerticalBar();
    void UpdateMetrics();
    int ColumnWidth() const;
    int RowAt(int y) const;
    // Applies the selection rule for row becoming current, then makes it current.
    void MoveCurrent(int row, Qt::KeyboardModifiers modifiers);
    void SetBit(int row, bool on);
    void EnsureVisible(int row);
    void ScrollHorizontally(int delta);
    void OnVerticalAction();
    // Pixels of the text's beginning up to index, by screen cells.
    int CellX(const QString& text, qsizetype index) const;
    // Paints text that is not pure ASCII character by character, each at
    // its cells (a character with the marks that combine with it).
    void PaintByCells(QPainter& painter, const QRect& area, const QString& text, int right) const;
    // Paints the highlighted occurrences of the row's text in the cell.
    void PaintHighlights(QPainter& painter, const QRect& cell, const QString& text) const;

    TmListLines lines_;
    std::vector<TRow> rows_;
    std::vector<bool> selected_;
    int selected_count_ = 0;
    int current_ = 0;

    int max_width_ = 100;
    int max_chars_ = 100;
    int row_height_ = 15;
    bool wrap_lines_ = true;
    int columns_ = 4096;
    int max_lines_ = 0;
    int max_lines_threshold_ = 0;
    bool scroll_locked_ = false;
    bool multi_select_ = false;
    QColor select_back_;
    QColor select_text_;
    QString highlight_;
    // Metrics follow the pane only once it has a real size (it is shown).
    bool loaded_ = false;
};
