#pragma once
// Where the console keeps what it remembers between runs, and the settings
// file itself: section "Tessel" of an ini file, $TESSEL_CONFIG when set, else
// $XDG_CONFIG_HOME/tessel/tessel.ini (~/.config when unset), readable by its
// owner only (it may hold a connect command).
//
// Contract: window thread; each read or write goes to the file at once, so
// that a killed run keeps what was written before.

#include <QString>
#include <memory>
#include <string>

class QSettings;

QString SettingsFilePath();
// $XDG_STATE_HOME/tessel/tessel.qry (~/.local/state when unset).
QString RecoveryFilePath();

class TcSettingsFile {
  public:
    TcSettingsFile();
    ~TcSettingsFile();
    TcSettingsFile(const TcSettingsFile&) = delete;
    TcSettingsFile& operator=(const TcSettingsFile&) = delete;

    QString ReadString(const QString& key, const QString& fallback = QString()) const;
    // Any non-zero whole number reads as true.
    bool ReadBool(const QString& key, bool fallback) const;
    // Each write is false when the file could not be written.
    bool WriteString(const QString& key, const QString& value);
    // True is written as "1".
    bool WriteBool(const QString& key, bool value);
    bool DeleteKey(const QString& key);

  private:
    bool Sync();
    QString path_;
    std::unique_ptr<QSettings> settings_;
};

// Writes the file whole (a new file replaces the old one), readable by its
// owner only from the start; false when it cannot be written.
bool WriteOwnerOnlyFile(const QString& path, const QByteArray& bytes);

// The recovery file holds the text being executed, so that a crash or a kill
// in the middle of a script loses nothing. Writing is best effort: a text
// that cannot be kept must not stop the execution.
bool WriteRecoveryFile(const QString& text);
// The text of a recovery file left by an earlier run; false when none.
bool ReadRecoveryFile(QString& text);
void DeleteRecoveryFile();
// Moves the recovery file aside under a name of its own in the same folder,
// so that the next Execute cannot overwrite it; the new path, or empty when
// it could not be moved.
QString KeepRecoveryFile();
// The error of a command whose setting could not be written.
std::string SettingsWriteError();
