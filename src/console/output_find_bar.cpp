#include "console/output_find_bar.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QStyle>
#include <QToolButton>
#include <algorithm>

#include "console/virtual_listbox.h"

TcOutputFindBar::TcOutputFindBar(TmVirtualListbox& output, QWidget* parent)
    : QWidget(parent), output_(output), field_(new QLineEdit(this)), status_(new QLabel(this)) {
    setObjectName(QStringLiteral("FindBar"));
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 2, 0, 2);
    layout->addWidget(new QLabel(QStringLiteral("Find:"), this));
    field_->setObjectName(QStringLiteral("FindText"));
    field_->setPlaceholderText(QStringLiteral("Find in output"));
    field_->setClearButtonEnabled(true);
    field_->installEventFilter(this);
    layout->addWidget(field_, 1);
    const auto button = [this, layout](QStyle::StandardPixmap icon, const QString& tip,
                                       void (TcOutputFindBar::*action)()) {
        auto* tool = new QToolButton(this);
        tool->setIcon(style()->standardIcon(icon));
        tool->setToolTip(tip);
        tool->setAutoRaise(true);
        connect(tool, &QToolButton::clicked, this, action);
        layout->addWidget(tool);
    };
    button(QStyle::SP_ArrowUp, QStringLiteral("Previous match (Shift+F3)"),
           &TcOutputFindBar::Previous);
    button(QStyle::SP_ArrowDown, QStringLiteral("Next match (F3)"), &TcOutputFindBar::Next);
    status_->setObjectName(QStringLiteral("FindStatus"));
    status_->setMinimumWidth(
        status_->fontMetrics().horizontalAdvance(QStringLiteral("0000 of 0000")));
    layout->addWidget(status_);
    button(QStyle::SP_DialogCloseButton, QStringLiteral("Close (Esc)"), &TcOutputFindBar::Close);
    connect(field_, &QLineEdit::textChanged, this, [this](const QString& text) {
        output_.SetHighlightText(text);
        Step(0);
    });
    hide();
}

void TcOutputFindBar::Open() {
    show();
    field_->setFocus(Qt::ShortcutFocusReason);
    field_->selectAll();
    output_.SetHighlightText(field_->text());
}

void TcOutputFindBar::Close() {
    hide();
    output_.SetHighlightText(QString());
    output_.setFocus(Qt::OtherFocusReason);
}

void TcOutputFindBar::Next() {
    Step(1);
}

void TcOutputFindBar::Previous() {
    Step(-1);
}

QString TcOutputFindBar::Status() const {
    return status_->text();
}

std::vector<int> TcOutputFindBar::MatchingRows() const {
    std::vector<int> rows;
    const QString text = field_->text();
    if (text.isEmpty()) return rows;
    const int count = output_.RowCount();
    for (int row = 0; row < count; ++row)
        if (output_.RowText(row).contains(text, Qt::CaseInsensitive)) rows.push_back(row);
    return rows;
}

void TcOutputFindBar::Step(int direction) {
    // Found again at each step: the output grows and is trimmed meanwhile.
    const std::vector<int> rows = MatchingRows();
    if (field_->text().isEmpty()) {
        status_->clear();
        return;
    }
    if (rows.empty()) {
        status_->setText(QStringLiteral("No match"));
        return;
    }
    const int current = output_.ItemIndex();
    size_t at = 0;
    if (direction >= 0) {
        // The first row after the current one (at it, when typing).
        const auto next = direction == 0 ? std::lower_bound(rows.begin(), rows.end(), current)
                                         : std::upper_bound(rows.begin(), rows.end(), current);
        at = next == rows.end() ? 0 : static_cast<size_t>(next - rows.begin());
    } else {
        const auto next = std::lower_bound(rows.begin(), rows.end(), current);
        at = next == rows.begin() ? rows.size() - 1 : static_cast<size_t>(next - rows.begin()) - 1;
    }
    const int row = rows[at];
    output_.SetItemIndex(row);
    const QString text = field_->text();
    output_.RevealText(row,
                       static_cast<int>(output_.RowText(row).indexOf(text, 0, Qt::CaseInsensitive)),
                       static_cast<int>(text.size()));
    status_->setText(QStringLiteral("%1 of %2").arg(at + 1).arg(rows.size()));
}

bool TcOutputFindBar::eventFilter(QObject* watched, QEvent* event) {
    if (watched != field_ ||
        (event->type() != QEvent::KeyPress && event->type() != QEvent::ShortcutOverride))
        return QWidget::eventFilter(watched, event);
    auto* key = static_cast<QKeyEvent*>(event);
    const bool back = key->modifiers() & Qt::ShiftModifier;
    switch (key->key()) {
        case Qt::Key_Escape:
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_F3:
            break;
        default:
            return QWidget::eventFilter(watched, event);
    }
    // These keys are the bar's while its field has the focus, before any
    // window shortcut (Esc there would cancel the running statement).
    event->accept();
    if (event->type() == QEvent::ShortcutOverride) return true;
    if (key->key() == Qt::Key_Escape)
        Close();
    else if (back)
        Previous();
    else
        Next();
    return true;
}
