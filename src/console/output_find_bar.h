#pragma once
// The search bar over the output list (Ctrl+F): what is typed is highlighted
// in every row, and the list's current row steps through the rows that hold
// it. Enter or F3 goes to the next such row, Shift+Enter or Shift+F3 to the
// previous one, both round the ends; Esc closes the bar. The search is
// without regard to case and runs over the rows as shown, so it follows the
// output as it grows. Window thread only, like the list.

#include <QWidget>
#include <vector>

class QLabel;
class QLineEdit;
class TmVirtualListbox;

class TcOutputFindBar : public QWidget {
    Q_OBJECT

  public:
    explicit TcOutputFindBar(TmVirtualListbox& output, QWidget* parent = nullptr);

    // Shows the bar with the focus in its field, the text there selected.
    void Open();
    // Hides the bar, takes the highlight away, gives the list the focus.
    void Close();
    // The current row becomes the next (previous) row with a match.
    void Next();
    void Previous();
    QLineEdit& Field() const { return *field_; }
    // "2 of 5" (rows with a match), "No match", or empty without a text.
    QString Status() const;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    // direction 0: the first match from the current row on (typing).
    void Step(int direction);
    std::vector<int> MatchingRows() const;

    TmVirtualListbox& output_;
    QLineEdit* field_;
    QLabel* status_;
};
