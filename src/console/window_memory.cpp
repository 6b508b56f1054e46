// What the window remembers of itself across runs, in the settings file:
// its size, the split between editor and output, and the recent script
// files of the File menu.

#include <QAction>
#include <QFileInfo>
#include <QMenu>
#include <QSplitter>

#include "console/settings_file.h"
#include "console/vardel.h"

namespace {

constexpr int kRecentFiles = 8;
const QSize kDefaultSize(900, 640);
// Below this a restored size is taken for a damaged setting.
const QSize kSmallestSize(200, 150);

QString RecentFileKey(int index) {
    return QStringLiteral("Recent_File%1").arg(index + 1);
}

}  // namespace

void TfVardel::RestoreWindowState(const TcSettingsFile& settings) {
    const QSize size(settings.ReadString(QStringLiteral("Window_Width")).toInt(),
                     settings.ReadString(QStringLiteral("Window_Height")).toInt());
    resize(size.expandedTo(kSmallestSize) == size ? size : kDefaultSize);
    QList<int> sizes;
    for (const QString& part :
         settings.ReadString(QStringLiteral("Splitter_Sizes")).split(QLatin1Char(','))) {
        bool ok = false;
        const int value = part.trimmed().toInt(&ok);
        if (ok && value >= 0) sizes.append(value);
    }
    if (sizes.size() == splitter_->count()) splitter_->setSizes(sizes);
    if (settings.ReadBool(QStringLiteral("Window_Maximized"), false))
        setWindowState(windowState() | Qt::WindowMaximized);
}

void TfVardel::SaveWindowState() {
    // Best effort, at the end of the run: nobody is left to tell.
    TcSettingsFile settings;
    settings.WriteBool(QStringLiteral("Window_Maximized"), isMaximized());
    // A maximised window keeps the size it comes back to.
    const QSize size = isMaximized() ? normalGeometry().size() : this->size();
    if (size.isValid()) {
        settings.WriteString(QStringLiteral("Window_Width"), QString::number(size.width()));
        settings.WriteString(QStringLiteral("Window_Height"), QString::number(size.height()));
    }
    QStringList sizes;
    for (const int part : splitter_->sizes()) sizes.append(QString::number(part));
    settings.WriteString(QStringLiteral("Splitter_Sizes"), sizes.join(QLatin1Char(',')));
}

void TfVardel::ReadRecentFiles(const TcSettingsFile& settings) {
    recentFiles_.clear();
    for (int i = 0; i < kRecentFiles; ++i) {
        const QString name = settings.ReadString(RecentFileKey(i));
        if (!name.isEmpty()) recentFiles_.append(name);
    }
    FillRecentFilesMenu();
}

void TfVardel::ScriptFileUsed(const QString& fileName) {
    const QString name = QFileInfo(fileName).absoluteFilePath();
    recentFiles_.removeAll(name);
    recentFiles_.prepend(name);
    while (recentFiles_.size() > kRecentFiles) recentFiles_.removeLast();
    TcSettingsFile settings;
    for (int i = 0; i < kRecentFiles; ++i) {
        if (i < recentFiles_.size())
            settings.WriteString(RecentFileKey(i), recentFiles_[i]);
        else
            settings.DeleteKey(RecentFileKey(i));
    }
    FillRecentFilesMenu();
}

void TfVardel::FillRecentFilesMenu() {
    QMenu* menu = RecentFilesMenu();
    if (menu == nullptr) return;
    menu->clear();
    for (int i = 0; i < recentFiles_.size(); ++i) {
        const QString name = recentFiles_[i];
        QAction* entry = menu->addAction(QStringLiteral("&%1 %2").arg(i + 1).arg(name));
        entry->setData(name);
        connect(entry, &QAction::triggered, this, [this, name] {
            // Loading replaces the editor's text: not while a run holds it.
            if (!Running()) LoadScriptFrom(name);
        });
    }
    menu->setEnabled(!recentFiles_.isEmpty());
}
