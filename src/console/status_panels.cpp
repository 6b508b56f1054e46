#include "console/status_panels.h"

#include <QFontMetrics>
#include <QLabel>
#include <QStatusBar>

TcStatusPanels::TcStatusPanels(QStatusBar& bar)
    : bar_(bar),
      caret_(Add(50, 0)),
      transaction_(Add(22, 1)),
      user_(Add(100, 2)),
      database_(Add(200, 3)) {
    database_->setMinimumWidth(200);
    database_->setMaximumWidth(QWIDGETSIZE_MAX);
    bar_.setSizeGripEnabled(true);
}

QLabel* TcStatusPanels::Add(int width, int index) {
    auto* label = new QLabel(&bar_);
    label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    label->setFixedWidth(width);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    bar_.insertWidget(index, label);
    return label;
}

void TcStatusPanels::SetText(TPanel panel, const QString& text) {
    QLabel* label = nullptr;
    switch (panel) {
        case Caret:
            label = caret_;
            break;
        case Library:
            if (library_ == nullptr) {
                library_ = Add(
                    QFontMetrics(bar_.font()).horizontalAdvance(QStringLiteral("RANDOMDLL.DLL")) +
                        8,
                    1);
            }
            label = library_;
            break;
        case Transaction:
            label = transaction_;
            break;
        case User:
            label = user_;
            break;
        case Database:
            label = database_;
            break;
    }
    label->setText(text);
    label->setToolTip(text);
}

QString TcStatusPanels::Text(TPanel panel) const {
    switch (panel) {
        case Caret:
            return caret_->text();
        case Library:
            return library_ ? library_->text() : QString();
        case Transaction:
            return transaction_->text();
        case User:
            return user_->text();
        case Database:
            return database_->text();
    }
    return {};
}

void TcStatusPanels::SetColors(const QString& styleSheet) {
    bar_.setStyleSheet(styleSheet);
}
