#pragma once
// TfVardel: the console's main window as the user sees it. It lays out the
// editor above the output list and the status panels below, keeps the
// settings file and the recovery file, applies the colour schemes, and runs
// the start-up in its order: settings, colour scheme, engine (a TcTessel),
// banner, client library, window commands, editor aids, then the text of
// the recovery file or of the script named on the command line.
//
// Threading: as TfBaseVardel.

#include <QStringList>
#include <memory>

#include "console/base_vardel.h"
#include "scripter/catalogue_names.h"

class QSplitter;
class TcEditorAids;
class TcCatalogueAPIs;
class TcSettingsFile;
class TcStatusPanels;

class TfVardel : public TfBaseVardel {
    Q_OBJECT

  public:
    // scriptFile: the first command-line parameter, or empty. Its text is
    // loaded into the editor, never run.
    explicit TfVardel(const QString& scriptFile = QString(), QWidget* parent = nullptr);
    ~TfVardel() override;

    // Execute with the recovery file: the text is kept there until the run
    // has ended, so that a killed run loses nothing.
    void Execute() override;
    // Applies the classic or the default scheme and remembers the choice;
    // false when the choice could not be written to the settings file.
    bool ApplyColorScheme(bool classic);
    bool ClassicScheme() const { return classic_; }
    TcStatusPanels& StatusPanels() { return *panels_; }
    TcEditorAids& EditorAids() { return *aids_; }
    TcCatalogueAPIs& Completion() { return *completion_; }
    QSplitter* Splitter() const { return splitter_; }
    // Script files loaded or saved, the newest first, kept across runs.
    QStringList RecentFiles() const { return recentFiles_; }

  protected:
    void HandleNotification(const void* sender, int32_t number, TMessageData data, bool& handled,
                            int32_t& result) override;
    void ClientLibraryChanged(const QString& library) override;
    void WriteBanner() override;
    std::unique_ptr<TcDBScripter_IB> CreateEngine() override;
    QString StoredConnectString() const override;
    void ConnectCommandChanged(const QString& command) override;
    void RunHasEnded(bool ok) override;
    void ShowConnectionLost() override;
    void ScriptFileUsed(const QString& fileName) override;
    QString AboutText() const override;

  private:
    void CreateLayout();
    void ReplayClientLibrary(const QString& library);
    void InstallLoginDialog();
    // The script named on the command line into the editor, never run.
    void LoadStartScript(const QString& scriptFile);
    // The window's size and the split between editor and output of the
    // last run, and the recent files (window_memory.cpp).
    void RestoreWindowState(const TcSettingsFile& settings);
    void SaveWindowState();
    void ReadRecentFiles(const TcSettingsFile& settings);
    void FillRecentFilesMenu();

    QSplitter* splitter_ = nullptr;
    QWidget* topPanel_ = nullptr;
    QWidget* bottomPanel_ = nullptr;
    std::unique_ptr<TcStatusPanels> panels_;
    TcEditorAids* aids_ = nullptr;
    TcCatalogueAPIs* completion_ = nullptr;
    // The names completion offers; read while the engine is idle.
    TcCatalogueNames catalogue_;
    bool classic_ = false;
    bool executing_ = false;
    QStringList recentFiles_;
};
