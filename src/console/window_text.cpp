#include "console/window_text.h"

#include <QStringList>
#include <cstdint>

#include "foundation/errors.h"

namespace {

QStringList EditorLines(const QString& text) {
    QString unified = text;
    unified.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    unified.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return unified.split(QLatin1Char('\n'));
}

}  // namespace

QString LiteralCopyText(const QString& editorText) {
    const QStringList lines = EditorLines(editorText);
    QStringList quoted;
    for (int i = 0; i < lines.size(); ++i) {
        QString line = lines[i];
        line.replace(QStringLiteral("'"), QStringLiteral("''"));
        line = QStringLiteral("'") + line + QStringLiteral(" '");
        if (i + 1 < lines.size()) line += QStringLiteral(" +");
        quoted.append(line);
    }
    return quoted.join(QLatin1Char('\n'));
}

QString LiteralPasteText(const QString& clipboardText) {
    QString text = clipboardText;
    text.replace(QStringLiteral("''"), QStringLiteral("'"));
    QStringList lines = EditorLines(text);
    for (QString& line : lines) {
        const qsizetype first = line.indexOf(QLatin1Char('\''));
        const qsizetype last = line.lastIndexOf(QLatin1Char('\''));
        if (first < 0 || last <= first) {
            line.clear();
            continue;
        }
        line = line.mid(first + 1, last - first - 1);
        while (!line.isEmpty() && line.back().isSpace()) line.chop(1);
    }
    return lines.join(QLatin1Char('\n'));
}

std::string ConnectCommandText(const std::string& connectString, const std::string& user,
                               const std::string& password, const std::string& role, bool userGiven,
                               bool passwordGiven) {
    std::string text = Format("CONNECT '%s'", connectString.c_str());
    if (userGiven) text += Format(" USER '%s'", user.c_str());
    if (passwordGiven) text += Format(" PASSWORD '%s'", password.c_str());
    if (!role.empty()) text += Format(" ROLE '%s'", role.c_str());
    return text;
}

std::string ConnectedUserText(const std::string& user, const std::string& role) {
    return role.empty() ? user : Format("%s (%s)", user.c_str(), role.c_str());
}
