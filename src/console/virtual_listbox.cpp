#include "console/virtual_listbox.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QSignalBlocker>
#include <algorithm>
#include <string>

#include "foundation/errors.h"
#include "foundation/screen_cells.h"

namespace {

bool IsAscii(const QString& text) {
    for (const QChar c : text)
        if (c.unicode() >= 0x80) return false;
    return true;
}

// The code point at i and the UTF-16 units it takes.
char32_t CodePointAt(const QString& text, qsizetype i, qsizetype& units) {
    units = 1;
    if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
        units = 2;
        return QChar::surrogateToUcs4(text[i], text[i + 1]);
    }
    return text[i].unicode();
}

// The advance of one cell: that of "0" in the list's fixed-pitch font, with
// its fraction, as the font lays out ASCII text.
qreal CellWidth(const QFont& font) {
    return std::max<qreal>(1, QFontMetricsF(font).horizontalAdvance(QLatin1Char('0')));
}

// The blanks that are trimmed around the rest of a wrapped line: space and
// every control character.
bool IsBlank(QChar c) {
    return c.unicode() <= u' ';
}

}  // namespace

TmVirtualListbox::TmVirtualListbox(QWidget* parent) : QAbstractScrollArea(parent) {
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setPixelSize(12);
    font.setBold(false);
    font.setItalic(false);
    font.setUnderline(false);
    font.setStrikeOut(false);
    setFont(font);
    row_height_ = std::max(fontMetrics().height(), QFontInfo(font).pixelSize() + 3);

    select_back_ = palette().color(QPalette::Highlight);
    select_text_ = palette().color(QPalette::HighlightedText);
    viewport()->setBackgroundRole(QPalette::Base);
    viewport()->setAutoFillBackground(true);
    setFocusPolicy(Qt::StrongFocus);
    // A vertical bar that comes and goes would change the width and rewrap
    // every line each time the rows start or stop fitting.
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    verticalScrollBar()->setSingleStep(1);
    horizontalScrollBar()->setSingleStep(10);
    connect(verticalScrollBar(), &QAbstractSlider::actionTriggered, this,
            [this](int) { OnVerticalAction(); });
    SetColumns(4096);
}

TmVirtualListbox::~TmVirtualListbox() = default;

void TmVirtualListbox::RefuseOtherThread(const char* entry) const {
    throw EDeveloper(std::string("TmVirtualListbox::") + entry +
                     " called from a thread other than the GUI thread");
}

void TmVirtualListbox::AddText(const QString& text, TmVirtualListBoxLine* object) {
    std::unique_ptr<TmVirtualListBoxLine> owned(object);
    CheckGuiThread(__func__);
    // A line break ends a line; text after the last break is a line of its own.
    QStringList lines;
    qsizetype start = 0;
    const qsizetype size = text.size();
    for (qsizetype i = 0; i < size; ++i) {
        const char16_t c = text[i].unicode();
        if (c != u'\r' && c != u'\n') continue;
        lines.append(text.mid(start, i - start));
        if (c == u'\r' && i + 1 < size && text[i + 1].unicode() == u'\n') ++i;
        start = i + 1;
    }
    if (start < size) lines.append(text.mid(start));
    AddLines(lines, owned.release());
}

void TmVirtualListbox::AddLines(const QStringList& lines, TmVirtualListBoxLine* object) {
    std::unique_ptr<TmVirtualListBoxLine> owned(object);
    CheckGuiThread(__func__);
    if (lines.isEmpty()) return;
    const size_t first = lines_.size();
    for (qsizetype i = 0; i < lines.size(); ++i) {
        std::unique_ptr<TmVirtualListBoxLine> line_object;
        if (i == 0) {
            line_object = std::move(owned);
        } else if (object) {
            line_object.reset(object->CreateSameClass());
            line_object->Assign(*object);
        }
        lines_.push_back({lines[i], std::move(line_object)});
    }
    if (max_lines_ >= 1 && lines_.size() > static_cast<size_t>(max_lines_)) {
        TrimToMaxLines();  // rebuilds every row
        return;
    }
    for (size_t line = first; line < lines_.size(); ++line) WrapLine(static_cast<int32_t>(line));
    UpdateRowCount();
}

void TmVirtualListbox::TrimToMaxLines() {
    const size_t keep = static_cast<size_t>(std::max(0, max_lines_ - max_lines_threshold_));
    TmListLines removed;
    while (lines_.size() > keep) {
        removed.push_back(std::move(lines_.front()));
        lines_.pop_front();
    }
    try {
        if (OnClearLines) OnClearLines(this, removed);
    } catch (...) {
        RebuildRows();  // the rows must not refer to lines that are gone
        throw;
    }
    removed.clear();
    RebuildRows();
}

void TmVirtualListbox::ClearLines() {
    CheckGuiThread(__func__);
    if (OnClearLines) OnClearLines(this, lines_);
    lines_.clear();
    selected_.clear();
    selected_count_ = 0;
    RebuildRows();
}

int TmVirtualListbox::ClearSelection() {
    CheckGuiThread(__func__);
    const int count = selected_count_;
    if (count > 0) {
        selected_.assign(selected_.size(), false);
        selected_count_ = 0;
        viewport()->update();
    }
    return count;
}

void TmVirtualListbox::RebuildRows() {
    rows_.clear();
    rows_.reserve(lines_.size());
    for (size_t line = 0; line < lines_.size(); ++line) WrapLine(static_cast<int32_t>(line));
    UpdateRowCount();
}

void TmVirtualListbox::WrapLine(int32_t line) {
    const QString& text = lines_[static_cast<size_t>(line)].Text;
    int32_t end = static_cast<int32_t>(text.size());
    // An empty line still shows, as one empty row.
    if (!wrap_lines_ || end == 0) {
        rows_.push_back({line, 0, end});
        return;
    }
    const QFontMetrics metrics = fontMetrics();
    int32_t pos = 0;
    while (pos < end) {
        const int32_t length = end - pos;
        // Views into the line; measuring needs no copies.
        const QString rest = QString::fromRawData(text.constData() + pos, length);
        if (metrics.horizontalAdvance(rest) < max_width_) {
            rows_.push_back({line, pos, length});
            break;
        }
        // Cut after the rightmost space in the second half of the estimate,
        // else after the estimate; shrink the estimate until the piece fits.
        int32_t n = std::min(max_chars_, length);
        int32_t cut;
        for (;;) {
            cut = n;
            for (int32_t p = n; p >= std::max(1, n / 2); --p) {
                if (rest[p - 1].unicode() == u' ') {
                    cut = p;
                    break;
                }
            }
            if (n <= 1 || metrics.horizontalAdvance(rest, cut) < max_width_) break;
            --n;
        }
        rows_.push_back({line, pos, cut});
        pos += cut;
        while (pos < end && IsBlank(text[pos])) ++pos;
        while (end > pos && IsBlank(text[end - 1])) --end;
    }
}

void TmVirtualListbox::UpdateRowCount() {
    const size_t count = rows_.size();
    if (selected_.size() > count) {
        selected_count_ -=
            static_cast<int>(std::count(selected_.begin() + count, selected_.end(), true));
    }
    selected_.resize(count, false);
    // The current row is always one of the rows: when rows go away it moves
    // to the last one left, and it stays there when rows come back.
    current_ = std::clamp(current_, 0, std::max(0, RowCount() - 1));
    UpdateVerticalBar();
    if (!scroll_locked_ && count > 0) {
        const QSignalBlocker quiet(verticalScrollBar());
        verticalScrollBar()->setValue(std::max(0, RowCount() - VisibleRowCount()));
    }
    viewport()->update();
}

void TmVirtualListbox::UpdateVerticalBar() {
    // The scroll area answers each range change with a queued call; adding
    // lines one by one would post one per line. This bar is always shown and
    // the view repaints itself, so nothing needs those signals.
    QScrollBar* vertical = verticalScrollBar();
    const QSignalBlocker quiet(vertical);
    const int visible = VisibleRowCount();
    vertical->setRange(0, std::max(0, RowCount() - visible));
    vertical->setPageStep(std::max(1, visible));
}

void TmVirtualListbox::UpdateScrollBars() {
    UpdateVerticalBar();
    const int client = viewport()->width();
    QScrollBar* horizontal = horizontalScrollBar();
    horizontal->setRange(0, std::max(0, ColumnWidth() - client));
    // Unwrapped, a click beside the handle moves a quarter of the column.
    horizontal->setPageStep(std::max(1, wrap_lines_ ? client : columns_ / 4));
}

void TmVirtualListbox::UpdateMetrics() {
    const int client = viewport()->width();
    max_width_ = client - 2;
    const int average = std::max(1, fontMetrics().averageCharWidth());
    max_chars_ = std::max(1, qRound(static_cast<double>(client - 2) / average));
}

int TmVirtualListbox::ColumnWidth() const {
    return wrap_lines_ ? viewport()->width() : columns_;
}

QString TmVirtualListbox::RowText(int row) const {
    CheckGuiThread(__func__);
    if (row < 0 || row >= RowCount()) return QString();
    const TRow& r = rows_[static_cast<size_t>(row)];
    const QString& text = lines_[static_cast<size_t>(r.Line)].Text;
    if (r.Start == 0 && r.Length == text.size()) return text;
    return text.mid(r.Start, r.Length);
}

TmVirtualListBoxLine* TmVirtualListbox::RowObject(int row) const {
    CheckGuiThread(__func__);
    if (row < 0 || row >= RowCount()) return nullptr;
    return lines_[static_cast<size_t>(rows_[static_cast<size_t>(row)].Line)].Object.get();
}

bool TmVirtualListbox::RowSelected(int row) const {
    CheckGuiThread(__func__);
    return row >= 0 && static_cast<size_t>(row) < selected_.size() &&
           selected_[static_cast<size_t>(row)];
}

int TmVirtualListbox::TopRow() const {
    CheckGuiThread(__func__);
    return verticalScrollBar()->value();
}

int TmVirtualListbox::VisibleRowCount() const {
    CheckGuiThread(__func__);
    return viewport()->height() / row_height_;
}

int TmVirtualListbox::ItemIndex() const {
    CheckGuiThread(__func__);
    if (rows_.empty()) return -1;
    return std::min(current_, RowCount() - 1);
}

void TmVirtualListbox::SetItemIndex(int row) {
    CheckGuiThread(__func__);
    ClearSelection();
    if (rows_.empty()) return;
    MoveCurrent(std::max(0, std::min(row, RowCount() - 1)), Qt::NoModifier);
}

void TmVirtualListbox::SetWrapLines(bool wrap) {
    CheckGuiThread(__func__);
    if (wrap == wrap_lines_) return;
    wrap_lines_ = wrap;
    SetColumns(wrap ? 0 : columns_);
    RebuildRows();
}

void TmVirtualListbox::SetColumns(int width) {
    CheckGuiThread(__func__);
    if (width > 0) columns_ = width;
    UpdateScrollBars();
    viewport()->update();
}

void TmVirtualListbox::SetSelectColorBackGround(const QColor& color) {
    CheckGuiThread(__func__);
    select_back_ = color;
    viewport()->update();
}

void TmVirtualListbox::SetSelectColorText(const QColor& color) {
    CheckGuiThread(__func__);
    select_text_ = color;
    viewport()->update();
}

void TmVirtualListbox::GetSelectedLines(std::vector<TmSelectedLine>& target) const {
    CheckGuiThread(__func__);
    if (!multi_select_) {
        const int row = ItemIndex();
        if (row >= 0) target.push_back({RowText(row), RowObject(row)});
        return;
    }
    // Rows of one wrapped line share its object: joining consecutive rows
    // with the same object gives the line back.
    QString joined;
    const TmVirtualListBoxLine* joined_object = nullptr;
    auto flush = [&] {
        if (joined_object) target.push_back({joined, joined_object});
        joined.clear();
        joined_object = nullptr;
    };
    for (int row = 0; row < RowCount(); ++row) {
        if (!selected_[static_cast<size_t>(row)]) continue;
        const TmVirtualListBoxLine* object = RowObject(row);
        if (!object) {
            flush();
            target.push_back({RowText(row), nullptr});
        } else if (object == joined_object) {
            joined += RowText(row);
        } else {
            flush();
            joined = RowText(row);
            joined_object = object;
        }
    }
    flush();
}

void TmVirtualListbox::GetSelectedLines(QStringList& target) const {
    CheckGuiThread(__func__);
    std::vector<TmSelectedLine> lines;
    GetSelectedLines(lines);
    for (const TmSelectedLine& line : lines) target.append(line.Text);
}

void TmVirtualListbox::SetBit(int row, bool on) {
    const auto index = static_cast<size_t>(row);
    if (selected_[index] == on) return;
    selected_[index] = on;
    selected_count_ += on ? 1 : -1;
}

void TmVirtualListbox::MoveCurrent(int row, Qt::KeyboardModifiers modifiers) {
    if (row < 0 || row >= RowCount()) return;
    const int current = ItemIndex();
    if (!multi_select_) {
        ClearSelection();
        SetBit(row, true);
    } else if (modifiers & Qt::ControlModifier) {
        SetBit(row, !selected_[static_cast<size_t>(row)]);
    } else if (modifiers & Qt::ShiftModifier) {
        const bool value = !selected_[static_cast<size_t>(row)];
        for (int r = std::min(current, row); r <= std::max(current, row); ++r) SetBit(r, value);
    } else {
        ClearSelection();
        SetBit(row, true);
    }
    current_ = row;
    EnsureVisible(row);
    viewport()->update();
}

void TmVirtualListbox::EnsureVisible(int row) {
    const int visible = std::max(1, VisibleRowCount());
    QScrollBar* vertical = verticalScrollBar();
    if (row < vertical->value())
        vertical->setValue(row);
    else if (row >= vertical->value() + visible)
        vertical->setValue(row - visible + 1);
}

void TmVirtualListbox::ScrollHorizontally(int delta) {
    QScrollBar* horizontal = horizontalScrollBar();
    horizontal->setValue(horizontal->value() + delta);  // the range keeps it in bounds
}

void TmVirtualListbox::OnVerticalAction() {
    // The slider position already holds where the user's scroll ends.
    const int top = verticalScrollBar()->sliderPosition();
    const bool locked = top != std::max(0, RowCount() - VisibleRowCount());
    if (locked == scroll_locked_) return;
    scroll_locked_ = locked;
    if (OnScrollLockChange) OnScrollLockChange(this);
}

int TmVirtualListbox::RowAt(int y) const {
    if (y < 0) return -1;
    const int row = TopRow() + y / row_height_;
    return row < RowCount() ? row : -1;
}

void TmVirtualListbox::paintEvent(QPaintEvent* event) {
    QPainter painter(viewport());
    const QRect area = event->rect();
    const int top = TopRow();
    const int first = top + std::max(0, area.top()) / row_height_;
    const int last = std::min(RowCount() - 1, top + area.bottom() / row_height_);
    const int x = -horizontalScrollBar()->value();
    const int width = ColumnWidth();
    const QColor base = palette().color(QPalette::Base);
    const QColor fore = palette().color(QPalette::Text);
    for (int row = first; row <= last; ++row) {
        QColor text = fore;
        QColor back = base;
        if (RowSelected(row)) {
            text = select_text_;
            back = select_back_;
        } else if (OnGetItemColor) {
            OnGetItemColor(this, row, RowObject(row), text, back);
        }
        const QRect cell(x, (row - top) * row_height_, width, row_height_);
        painter.fillRect(cell, back);
        painter.setPen(text);
        const QString shown = RowText(row);
        if (IsAscii(shown))
            painter.drawText(cell.adjusted(1, 0, -1, 0),
                             Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, shown);
        else
            PaintByCells(painter, cell.adjusted(1, 0, -1, 0), shown, area.right());
        if (!highlight_.isEmpty()) PaintHighlights(painter, cell, shown);
    }
}

int TmVirtualListbox::CellX(const QString& text, qsizetype index) const {
    int cells = 0;
    for (qsizetype i = 0, units = 1; i < index && i < text.size(); i += units)
        cells += CodePointCells(CodePointAt(text, i, units));
    return qRound(cells * CellWidth(font()));
}

int TmVirtualListbox::TextX(int row, int index) const {
    CheckGuiThread(__func__);
    return 1 + CellX(RowText(row), index);
}

void TmVirtualListbox::PaintByCells(QPainter& painter, const QRect& area, const QString& text,
                                    int right) const {
    const qreal width = CellWidth(font());
    int cellsBefore = 0;
    for (qsizetype i = 0, units = 1;
         i < text.size() && area.left() + cellsBefore * width <= right;) {
        const qsizetype start = i;
        const int cells = CodePointCells(CodePointAt(text, i, units));
        i += units;
        while (i < text.size() && CodePointCells(CodePointAt(text, i, units)) == 0) i += units;
        // Wider than its cells: the glyph may overhang, never push the rest.
        const int x = area.left() + qRound(cellsBefore * width);
        painter.drawText(
            QRect(x, area.top(), qRound(std::max(1, cells) * width * 2), area.height()),
            Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, text.mid(start, i - start));
        cellsBefore += cells;
    }
}

void TmVirtualListbox::PaintHighlights(QPainter& painter, const QRect& cell,
                                       const QString& text) const {
    const bool ascii = IsAscii(text);
    const QRect textArea = cell.adjusted(1, 0, -1, 0);
    for (qsizetype at = text.indexOf(highlight_, 0, Qt::CaseInsensitive); at >= 0;
         at = text.indexOf(highlight_, at + highlight_.size(), Qt::CaseInsensitive)) {
        const int left = textArea.left() + CellX(text, at);
        const int right = textArea.left() + CellX(text, at + highlight_.size());
        const QRect mark(left, cell.top(), right - left, cell.height());
        // The row's text again, clipped to the mark: the same glyphs at the
        // same places, in black on the highlight, readable in both schemes.
        painter.save();
        painter.setClipRect(mark);
        painter.fillRect(mark, HighlightColor());
        painter.setPen(Qt::black);
        if (ascii)
            painter.drawText(textArea, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, text);
        else
            PaintByCells(painter, textArea, text, mark.right());
        painter.restore();
    }
}

void TmVirtualListbox::SetHighlightText(const QString& text) {
    CheckGuiThread(__func__);
    if (text == highlight_) return;
    highlight_ = text;
    viewport()->update();
}

void TmVirtualListbox::RevealText(int row, int start, int length) {
    CheckGuiThread(__func__);
    if (row < 0 || row >= RowCount()) return;
    const QString text = RowText(row);
    const int left = 1 + CellX(text, start);
    const int right = 1 + CellX(text, start + length);
    QScrollBar* horizontal = horizontalScrollBar();
    const int width = viewport()->width();
    if (left < horizontal->value() || right > horizontal->value() + width)
        horizontal->setValue(std::max(0, left - width / 4));
}

bool TmVirtualListbox::viewportEvent(QEvent* event) {
    if (event->type() == QEvent::Resize) {
        const bool first = !loaded_;
        const int previous_width = max_width_;
        loaded_ = true;
        UpdateMetrics();
        // Rows depend on the width only when wrapping.
        if (wrap_lines_ && (first || max_width_ != previous_width))
            RebuildRows();
        else
            UpdateRowCount();
        // The sideways range ends where the column's right edge meets the
        // pane's, and that depends on the pane's width.
        UpdateScrollBars();
    }
    return QAbstractScrollArea::viewportEvent(event);
}

void TmVirtualListbox::changeEvent(QEvent* event) {
    if (event->type() == QEvent::FontChange) {
        row_height_ = std::max(fontMetrics().height(), QFontInfo(font()).pixelSize() + 3);
        if (loaded_) {
            UpdateMetrics();
            RebuildRows();
        }
    }
    QAbstractScrollArea::changeEvent(event);
}

void TmVirtualListbox::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QAbstractScrollArea::mousePressEvent(event);
        return;
    }
    setFocus(Qt::MouseFocusReason);
    const int row = RowAt(static_cast<int>(event->position().y()));
    if (row >= 0) MoveCurrent(row, event->modifiers());
    event->accept();
}

void TmVirtualListbox::mouseMoveEvent(QMouseEvent* event) {
    // Dragging with the button held moves the current row like clicking would.
    if (!(event->buttons() & Qt::LeftButton)) return;
    const int row = RowAt(static_cast<int>(event->position().y()));
    if (row >= 0 && row != ItemIndex()) MoveCurrent(row, event->modifiers());
}

void TmVirtualListbox::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        event->accept();
    else
        QAbstractScrollArea::mouseReleaseEvent(event);
}

void TmVirtualListbox::keyPressEvent(QKeyEvent* event) {
    const Qt::KeyboardModifiers modifiers = event->modifiers();
    const int last = RowCount() - 1;
    const int current = ItemIndex();
    const int page = std::max(1, VisibleRowCount());
    switch (event->key()) {
        case Qt::Key_Up:
            MoveCurrent(std::max(0, current - 1), modifiers);
            break;
        case Qt::Key_Down:
            MoveCurrent(std::min(last, current + 1), modifiers);
            break;
        case Qt::Key_PageUp:
            MoveCurrent(std::max(0, current - page), modifiers);
            break;
        case Qt::Key_PageDown:
            MoveCurrent(std::min(last, current + page), modifiers);
            break;
        case Qt::Key_Home:
            MoveCurrent(0, modifiers);
            break;
        case Qt::Key_End:
            MoveCurrent(last, modifiers);
            break;
        case Qt::Key_Left:
        case Qt::Key_Right: {
            const int step = (modifiers & Qt::ControlModifier) ? viewport()->width() : 10;
            ScrollHorizontally(event->key() == Qt::Key_Left ? -step : step);
            break;
        }
        default:
            // Left to the owner: the window sends typing on to its editor.
            event->ignore();
            return;
    }
    event->accept();
}
