#include "console/history_file.h"

#include <QFile>

#include "app/history_store.h"
#include "console/settings_file.h"
#include "foundation/history_list.h"

QString HistoryFilePath() {
    // Beside the recovery file.
    return RecoveryFilePath().section(QLatin1Char('/'), 0, -2) + QStringLiteral("/history");
}

void LoadHistory(TcHistoryList& history) {
    for (const std::string& entry :
         ReadHistoryFile(QFile::encodeName(HistoryFilePath()).toStdString()))
        history.Add(entry);
}

bool SaveHistory(const TcHistoryList& history, const std::string& terminator) {
    TStringList entries;
    for (int32_t i = 0; i < history.Count(); ++i) entries.push_back(history.Strings(i));
    return WriteHistoryFile(QFile::encodeName(HistoryFilePath()).toStdString(), entries,
                            terminator);
}
