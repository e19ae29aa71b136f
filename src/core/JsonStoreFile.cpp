#include "core/JsonStoreFile.h"

#include "core/Clock.h"
#include "core/Json.h"
#include "core/SafeFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QSaveFile>

namespace meterix::JsonStoreFile {

namespace {
constexpr int64_t kStoreReadCap = 64 * 1024 * 1024;
}

LoadResult load(const QString& path) {
    if (!exists(path)) return {};
    const auto bytes = readRegularFile(path, kStoreReadCap);
    if (!bytes) return {LoadStatus::undecodable, {}};
    auto object = json::parseObject(*bytes);
    if (!object) return {LoadStatus::undecodable, {}};
    return {LoadStatus::loaded, std::move(*object)};
}

bool write(const QString& path, const QJsonObject& object) {
    const QString folder = QFileInfo(path).absolutePath();
    if (!QDir().exists(folder)) {
        if (!QDir().mkpath(folder)) return false;
        QFile::setPermissions(folder,
                              QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return false;
    // QJsonObject keeps its keys sorted, so the output is in key order.
    const QByteArray bytes = QJsonDocument(object).toJson(QJsonDocument::Indented);
    if (file.write(bytes) != bytes.size()) {
        file.cancelWriting();
        return false;
    }
    file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    return file.commit();
}

std::optional<QString> setAside(const QString& path) {
    const QString stamp = Clock::system().now().toString(QStringLiteral("yyyyMMdd'T'HHmmss'Z'"));
    QString target = path + QStringLiteral(".corrupt-") + stamp;
    for (int n = 2; QFile::exists(target); ++n)
        target = path + QStringLiteral(".corrupt-") + stamp + QLatin1Char('-') + QString::number(n);
    if (!QFile::rename(path, target)) return std::nullopt;
    return target;
}

} // namespace meterix::JsonStoreFile
