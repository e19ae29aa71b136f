#include "core/JsonStoreFile.h"

#include "core/Json.h"
#include "core/SafeFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QSaveFile>

namespace meterix {

namespace {
// Far above any store we write; a larger file is not ours to parse.
constexpr int64_t kStoreReadCap = 64 * 1024 * 1024;
} // namespace

JsonStoreFile::JsonStoreFile(QString path) : path_(std::move(path)) {}

std::optional<QJsonObject> JsonStoreFile::load() {
    if (!exists(path_)) return std::nullopt;
    const auto bytes = readRegularFile(path_, kStoreReadCap);
    std::optional<QJsonObject> object;
    if (bytes) object = json::parseObject(*bytes);
    if (!object) setAsidePending_ = true;
    return object;
}

QString JsonStoreFile::setAsidePath(const QString& path, const QDateTime& now) {
    const QString base =
        path + QStringLiteral(".unreadable-") + now.toUTC().toString(QStringLiteral("yyyyMMdd'T'HHmmss")) + QLatin1Char('Z');
    QString candidate = base;
    for (int n = 2; exists(candidate) || QFileInfo(candidate).isSymLink(); ++n)
        candidate = base + QLatin1Char('-') + QString::number(n);
    return candidate;
}

bool JsonStoreFile::write(const QJsonObject& object, const QDateTime& now) {
    const QString folder = QFileInfo(path_).absolutePath();
    if (!QDir().exists(folder)) {
        if (!QDir().mkpath(folder)) return false;
        QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    }
    if (setAsidePending_) {
        if (exists(path_) && !QFile::rename(path_, setAsidePath(path_, now))) return false;
        setAsidePending_ = false;
    }
    QSaveFile file(path_);
    if (!file.open(QIODevice::WriteOnly)) return false;
    // Account ids and e-mails live here: owner only, whatever the umask.
    file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    const QByteArray bytes = QJsonDocument(object).toJson(QJsonDocument::Indented);
    if (file.write(bytes) != bytes.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

} // namespace meterix
