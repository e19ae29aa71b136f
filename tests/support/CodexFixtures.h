#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QJsonObject>
#include <QList>
#include <QString>

namespace meterix::test {

// Lines and files as the Codex client writes them, for fixture homes.
namespace codex {

// {"timestamp": ..., "type": "session_meta", "payload": {...}}
QByteArray sessionMetaLine(const QString& timestamp);

// An event_msg line whose payload carries the given rate_limits object.
QByteArray rateLimitLine(const QString& timestamp, const QJsonObject& rateLimits);

// A window object: used percent, window minutes and reset seconds since 1970.
QJsonObject window(double usedPercent, qint64 windowMinutes, double resetsAt);

// A token-count line as current clients write it: the token totals under
// "info" and the given rate_limits object (JSON text, one allowance).
QByteArray tokenCountLine(const QString& timestamp, const QByteArray& rateLimits);

// rate_limits objects of current clients (resets 2026-01-15 14:00 and
// 2026-01-20 00:00 UTC): the account's own, 21 % and 44 % used with a credit
// balance of "17.25", and the GPT-5.3-Codex-Spark model's ("codex_bengalfox"),
// 3 % and 1 % used.
extern const QByteArray kAccountLimits;
extern const QByteArray kSparkLimits;

// An ordinary line without rate limits.
QByteArray messageLine(const QString& timestamp, const QString& text);

// The assistant's answer as a response_item line.
QByteArray assistantLine(const QString& timestamp, const QString& text);

// Joins lines with "\n" and a final "\n".
QByteArray joinLines(const QList<QByteArray>& lines);

// Writes the file (making its folders) and sets its modification time.
QString writeFile(const QString& path, const QByteArray& contents, const QDateTime& modified);
void setModified(const QString& path, const QDateTime& modified);

// An unsigned token whose payload is the given claims (header.payload.signature,
// base64url without padding).
QString unsignedToken(const QJsonObject& claims);

// The auth.json of a signed-in client: tokens.id_token (and account_id when given).
QByteArray authJson(const QJsonObject& idTokenClaims, const QString& accountID = QString());

// The OpenAI claim object of an ID token.
QJsonObject openAIClaims(const QString& accountID, const QString& planType);

// The account and e-mail of the ChatGPT login in tests/data/codex.
inline const QString kDataAccountID = QStringLiteral("5b1f0c3e-7a2d-4c8e-9f10-2a6b3c4d5e6f");
inline const QString kDataEmail = QStringLiteral("dev@example.com");

} // namespace codex
} // namespace meterix::test
