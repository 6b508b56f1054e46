#include "console/settings_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>

#include "app/history_store.h"
#include "foundation/errors.h"
#include "foundation/language.h"

namespace {

const QString kSection = QStringLiteral("Tessel/");

QString BaseFolder(const char* variable, const QString& homeRelative) {
    const QString value = qEnvironmentVariable(variable);
    if (!value.isEmpty() && QDir::isAbsolutePath(value)) return value;
    return QDir::homePath() + QLatin1Char('/') + homeRelative;
}

// The folder and an empty file, both for the owner only, before anything is
// written: a file created with the default mode could be read by others
// until it is changed.
void PrepareOwnerOnlyFile(const QString& path) {
    const QFileInfo info(path);
    QDir().mkpath(info.absolutePath());
    const QByteArray name = QFile::encodeName(path);
    const int fd = open(name.constData(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
    if (fd >= 0) {
        fchmod(fd, 0600);
        close(fd);
    }
}

}  // namespace

QString SettingsFilePath() {
    const QString explicitPath = qEnvironmentVariable("TESSEL_CONFIG");
    if (!explicitPath.isEmpty()) return explicitPath;
    return BaseFolder("XDG_CONFIG_HOME", QStringLiteral(".config")) +
           QStringLiteral("/tessel/tessel.ini");
}

QString RecoveryFilePath() {
    return QFile::decodeName(QByteArray::fromStdString(StateFolder())) +
           QStringLiteral("/tessel.qry");
}

TcSettingsFile::TcSettingsFile()
    : path_(SettingsFilePath()),
      settings_(std::make_unique<QSettings>(path_, QSettings::IniFormat)) {}

TcSettingsFile::~TcSettingsFile() = default;

QString TcSettingsFile::ReadString(const QString& key, const QString& fallback) const {
    return settings_->value(kSection + key, fallback).toString();
}

bool TcSettingsFile::ReadBool(const QString& key, bool fallback) const {
    const QVariant value = settings_->value(kSection + key);
    if (!value.isValid()) return fallback;
    bool ok = false;
    const qlonglong number = value.toString().trimmed().toLongLong(&ok);
    return ok && number != 0;
}

bool TcSettingsFile::WriteString(const QString& key, const QString& value) {
    settings_->setValue(kSection + key, value);
    return Sync();
}

bool TcSettingsFile::WriteBool(const QString& key, bool value) {
    return WriteString(key, value ? QStringLiteral("1") : QStringLiteral("0"));
}

bool TcSettingsFile::DeleteKey(const QString& key) {
    settings_->remove(kSection + key);
    return Sync();
}

bool TcSettingsFile::Sync() {
    // QSettings writes through a new file that takes the old one's mode.
    if (!QFileInfo::exists(path_)) PrepareOwnerOnlyFile(path_);
    settings_->sync();
    QFile::setPermissions(path_, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    return settings_->status() == QSettings::NoError;
}

std::string SettingsWriteError() {
    return Format(Lang("Cannot write the settings file %s.",
                       "Kan het instellingenbestand %s niet schrijven."),
                  QFile::encodeName(SettingsFilePath()).constData());
}

bool WriteOwnerOnlyFile(const QString& path, const QByteArray& bytes) {
    return WriteOwnerOnlyFile(
        QFile::encodeName(path).toStdString(),
        std::string_view(bytes.constData(), static_cast<size_t>(bytes.size())));
}

bool WriteRecoveryFile(const QString& text) {
    return WriteOwnerOnlyFile(RecoveryFilePath(), text.toUtf8());
}

bool ReadRecoveryFile(QString& text) {
    QFile file(RecoveryFilePath());
    if (!file.exists() || !file.open(QIODevice::ReadOnly)) return false;
    text = QString::fromUtf8(file.readAll());
    return true;
}

void DeleteRecoveryFile() {
    QFile::remove(RecoveryFilePath());
}

QString KeepRecoveryFile() {
    const QString path = RecoveryFilePath();
    const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-hhmmss"));
    for (int n = 0; n < 100; ++n) {
        const QString kept = QFileInfo(path).absolutePath() + QStringLiteral("/recovered-") +
                             stamp + (n > 0 ? QStringLiteral("-%1").arg(n) : QString()) +
                             QStringLiteral(".sql");
        // A rename keeps the owner-only mode; it never replaces a file
        // kept before, as QFile::rename refuses an existing target.
        if (!QFileInfo::exists(kept) && QFile::rename(path, kept)) return kept;
    }
    return QString();
}
