#include "FuzzTarget.h"

#include "core/IsoDate.h"
#include "core/Numbers.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <cmath>

namespace meterix::fuzz {

QList<Target>& targets() {
    static QList<Target> list;
    return list;
}

QString workspace() {
    static QTemporaryDir* dir = new QTemporaryDir(QDir::tempPath() + QStringLiteral("/meterix-fuzz-XXXXXX"));
    return dir->path();
}

QDateTime fixedNow() {
    return QDateTime(QDate(2026, 1, 15), QTime(12, 0), Qt::UTC);
}

QByteArray bytes(const uint8_t* data, size_t size) {
    return QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
}

std::optional<QString> writeFile(const QString& relative, const QByteArray& contents, const QString& fresh) {
    if (!fresh.isEmpty()) QDir(workspace() + QLatin1Char('/') + fresh).removeRecursively();
    const QString path = workspace() + QLatin1Char('/') + relative;
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(contents) != contents.size())
        return std::nullopt;
    return path;
}

void checkPercentage(double value) {
    METERIX_FUZZ_CHECK(std::isfinite(value));
    METERIX_FUZZ_CHECK(value >= 0 && value <= 100);
}

void checkDate(const QDateTime& date) {
    METERIX_FUZZ_CHECK(date.isValid());
    METERIX_FUZZ_CHECK(date.date().year() >= 1 && date.date().year() <= 9999);
}

namespace {

// Stored readings are decoded as written (only finite); made ones are never
// negative and never beyond what a countdown text shows.
// An amount is never shown that is not finite ("$inf", "¥nan").
void checkText(const QString& text) {
    static const QRegularExpression wrongFigure(QStringLiteral(R"([$¥€]-?(inf|nan))"),
                                                QRegularExpression::CaseInsensitiveOption);
    METERIX_FUZZ_CHECK(!wrongFigure.match(text).hasMatch());
}

void checkStoredPercentage(double value, bool madeNow) {
    if (madeNow)
        checkPercentage(value);
    else
        METERIX_FUZZ_CHECK(std::isfinite(value));
}

} // namespace

void checkSnapshot(const UsageSnapshot& s, bool madeNow) {
    checkStoredPercentage(s.headlineRemainingPercentage, madeNow);
    if (s.weeklyRemainingPercentage) checkStoredPercentage(*s.weeklyRemainingPercentage, madeNow);
    checkDate(s.capturedAt);
    checkDate(s.lastUpdated);
    if (s.headlineResetAt) checkDate(*s.headlineResetAt);
    if (s.weeklyResetAt) checkDate(*s.weeklyResetAt);
    for (const ModelQuotaItem& item : s.modelQuotas) {
        if (madeNow)
            for (const QuotaLabel& label : {item.name, item.quotaType, item.paceText.value_or(QuotaLabel())})
                for (const QString& text : {label.subject, label.amount, label.total, label.currency})
                    checkText(text);
        checkStoredPercentage(item.remainingPercentage, madeNow);
        if (item.resetAt) checkDate(*item.resetAt);
        if (item.paceMarkerPercentage) METERIX_FUZZ_CHECK(std::isfinite(*item.paceMarkerPercentage));
    }
    // Through the bytes of our store file and back.
    const QByteArray stored = QJsonDocument(s.toJson()).toJson();
    const QJsonDocument back = QJsonDocument::fromJson(stored);
    METERIX_FUZZ_CHECK(back.isObject());
    const auto decoded = UsageSnapshot::fromJson(back.object());
    METERIX_FUZZ_CHECK(decoded.has_value());
    if (decoded) {
        METERIX_FUZZ_CHECK(decoded->provider == s.provider);
        METERIX_FUZZ_CHECK(decoded->modelQuotas.size() == s.modelQuotas.size());
        METERIX_FUZZ_CHECK(isoDateString(decoded->capturedAt) == isoDateString(s.capturedAt));
    }
}

} // namespace meterix::fuzz
