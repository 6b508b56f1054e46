#include "console/history_file.h"

#include <QFile>

#include "console/settings_file.h"
#include "engine/statement_splitter.h"
#include "foundation/history_list.h"
#include "foundation/string_utils.h"
#include "scripter/password_mask.h"

namespace {

std::string Escaped(const std::string& text) {
    std::string line;
    for (const char c : text) {
        if (c == '\\')
            line += "\\\\";
        else if (c == '\n')
            line += "\\n";
        else if (c == '\r')
            line += "\\r";
        else
            line += c;
    }
    return line;
}

std::string Unescaped(const std::string& line) {
    std::string text;
    for (size_t i = 0; i < line.size(); ++i) {
        if (line[i] != '\\' || i + 1 == line.size()) {
            text += line[i];
            continue;
        }
        const char next = line[++i];
        text += next == 'n' ? '\n' : next == 'r' ? '\r' : next;
    }
    return text;
}

}  // namespace

QString HistoryFilePath() {
    // Beside the recovery file.
    return RecoveryFilePath().section(QLatin1Char('/'), 0, -2) + QStringLiteral("/history");
}

std::string MaskedHistoryEntry(const std::string& text, const std::string& terminator) {
    TcStatementSplitter splitter(text, terminator);
    std::string masked;
    bool changed = false;
    const auto add = [&](const std::string& statement, const char* end) {
        const std::string plain = TrimBlanks(statement);
        if (plain.empty()) return;
        const std::string hidden = HidePasswords(plain);
        changed = changed || hidden != plain;
        masked += hidden + end;
    };
    std::string statement;
    size_t offset = 0;
    while (splitter.Next(statement, offset)) add(statement, (terminator + "\n").c_str());
    add(splitter.Rest(offset), "");
    // Only an entry that carried a password loses its layout and comments.
    return changed ? TrimBlanks(masked) : text;
}

void LoadHistory(TcHistoryList& history) {
    QFile file(HistoryFilePath());
    if (!file.open(QIODevice::ReadOnly)) return;
    while (!file.atEnd()) {
        QByteArray line = file.readLine();
        if (line.endsWith('\n')) line.chop(1);
        if (!line.isEmpty()) history.Add(Unescaped(line.toStdString()));
    }
}

bool SaveHistory(const TcHistoryList& history, const std::string& terminator) {
    QByteArray bytes;
    for (int32_t i = 0; i < history.Count(); ++i) {
        bytes += Escaped(MaskedHistoryEntry(history.Strings(i), terminator));
        bytes += '\n';
    }
    return WriteOwnerOnlyFile(HistoryFilePath(), bytes);
}
