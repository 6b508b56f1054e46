#pragma once
// The status bar's panels, from the left: caret position, the client library
// (inserted once a SET CLIENT_LIBRARY chose one), transaction, user and
// database. Window thread only.

#include <QString>

class QLabel;
class QStatusBar;

class TcStatusPanels {
  public:
    enum TPanel { Caret, Library, Transaction, User, Database };

    explicit TcStatusPanels(QStatusBar& bar);
    void SetText(TPanel panel, const QString& text);
    QString Text(TPanel panel) const;
    // What the panel shows, then its text: every panel says what it is,
    // empty or not.
    QString ToolTip(TPanel panel) const;
    // Whether the library panel has been inserted.
    bool HasLibraryPanel() const { return library_ != nullptr; }
    void SetColors(const QString& styleSheet);

  private:
    QLabel* Add(int width, int index);
    QLabel* Label(TPanel panel) const;
    QStatusBar& bar_;
    QLabel* caret_;
    QLabel* library_ = nullptr;
    QLabel* transaction_;
    QLabel* user_;
    QLabel* database_;
};
