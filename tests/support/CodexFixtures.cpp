#include "support/CodexFixtures.h"

#include "support/TempHome.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>

namespace meterix::test::codex {

namespace {
QByteArray compact(const QJsonObject& o) { return QJsonDocument(o).toJson(QJsonDocument::Compact); }
} // namespace

QByteArray sessionMetaLine(const QString& timestamp) {
    return compact(QJsonObject{
        {QStringLiteral("timestamp"), timestamp},
        {QStringLiteral("type"), QStringLiteral("session_meta")},
        {QStringLiteral("payload"), QJsonObject{{QStringLiteral("id"), QStringLiteral("0199-abcd")},
                                                {QStringLiteral("cwd"), QStringLiteral("/home/dev/project")}}},
    });
}

QByteArray rateLimitLine(const QString& timestamp, const QJsonObject& rateLimits) {
    return compact(QJsonObject{
        {QStringLiteral("timestamp"), timestamp},
        {QStringLiteral("type"), QStringLiteral("event_msg")},
        {QStringLiteral("payload"), QJsonObject{{QStringLiteral("type"), QStringLiteral("token_count")},
                                                {QStringLiteral("rate_limits"), rateLimits}}},
    });
}

QJsonObject window(double usedPercent, qint64 windowMinutes, double resetsAt) {
    return QJsonObject{{QStringLiteral("used_percent"), usedPercent},
                       {QStringLiteral("window_minutes"), windowMinutes},
                       {QStringLiteral("resets_at"), resetsAt}};
}

const QByteArray kAccountLimits =
    R"({"limit_id":"codex","limit_name":null,"primary":{"used_percent":21.0,"window_minutes":300,)"
    R"("resets_at":1768485600},"secondary":{"used_percent":44.0,"window_minutes":10080,"resets_at":1768867200},)"
    R"("credits":{"has_credits":true,"unlimited":false,"balance":"17.25"},"plan_type":"plus"})";
const QByteArray kSparkLimits =
    R"({"limit_id":"codex_bengalfox","limit_name":"GPT-5.3-Codex-Spark","primary":{"used_percent":3.0,)"
    R"("window_minutes":300,"resets_at":1768485600},"secondary":{"used_percent":1.0,"window_minutes":10080,)"
    R"("resets_at":1768867200},"credits":null,"plan_type":"plus"})";

QByteArray tokenCountLine(const QString& timestamp, const QByteArray& rateLimits) {
    return R"({"timestamp":")" + timestamp.toUtf8() +
           R"(","type":"event_msg","payload":{"type":"token_count","info":{"total_token_usage":)"
           R"({"input_tokens":48213,"cached_input_tokens":40192,"output_tokens":1733,)"
           R"("reasoning_output_tokens":896,"total_tokens":49946},"last_token_usage":{"input_tokens":9120,)"
           R"("cached_input_tokens":8960,"output_tokens":211,"reasoning_output_tokens":64,"total_tokens":9331},)"
           R"("model_context_window":258400},"rate_limits":)" +
           rateLimits + "}}";
}

QByteArray assistantLine(const QString& timestamp, const QString& text) {
    return compact(QJsonObject{
        {QStringLiteral("timestamp"), timestamp},
        {QStringLiteral("type"), QStringLiteral("response_item")},
        {QStringLiteral("payload"),
         QJsonObject{{QStringLiteral("type"), QStringLiteral("message")},
                     {QStringLiteral("role"), QStringLiteral("assistant")},
                     {QStringLiteral("content"),
                      QJsonArray{QJsonObject{{QStringLiteral("type"), QStringLiteral("output_text")},
                                             {QStringLiteral("text"), text}}}}}},
    });
}

QByteArray messageLine(const QString& timestamp, const QString& text) {
    return compact(QJsonObject{
        {QStringLiteral("timestamp"), timestamp},
        {QStringLiteral("type"), QStringLiteral("response_item")},
        {QStringLiteral("payload"), QJsonObject{{QStringLiteral("type"), QStringLiteral("message")},
                                                {QStringLiteral("text"), text}}},
    });
}

QByteArray joinLines(const QList<QByteArray>& lines) {
    QByteArray out;
    for (const QByteArray& line : lines) out += line + '\n';
    return out;
}

void setModified(const QString& path, const QDateTime& modified) {
    TempHome::setModifiedNs(path, modified.toMSecsSinceEpoch() * 1000000);
}

QString writeFile(const QString& path, const QByteArray& contents, const QDateTime& modified) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        f.write(contents);
        f.close();
    }
    setModified(path, modified);
    return path;
}

QString unsignedToken(const QJsonObject& claims) {
    const auto encode = [](const QByteArray& bytes) {
        return bytes.toBase64(QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals);
    };
    const QByteArray header = encode(R"({"alg":"none","typ":"JWT"})");
    return QString::fromLatin1(header + '.' + encode(compact(claims)) + '.' + encode("signature"));
}

QByteArray authJson(const QJsonObject& idTokenClaims, const QString& accountID) {
    QJsonObject tokens{{QStringLiteral("id_token"), unsignedToken(idTokenClaims)},
                       {QStringLiteral("access_token"), QStringLiteral("secret-access-token")},
                       {QStringLiteral("refresh_token"), QStringLiteral("secret-refresh-token")}};
    if (!accountID.isEmpty()) tokens.insert(QStringLiteral("account_id"), accountID);
    return QJsonDocument(QJsonObject{{QStringLiteral("OPENAI_API_KEY"), QJsonValue()},
                                     {QStringLiteral("tokens"), tokens}})
        .toJson();
}

QJsonObject openAIClaims(const QString& accountID, const QString& planType) {
    QJsonObject claim;
    if (!accountID.isEmpty()) claim.insert(QStringLiteral("chatgpt_account_id"), accountID);
    if (!planType.isEmpty()) claim.insert(QStringLiteral("chatgpt_plan_type"), planType);
    return claim;
}

} // namespace meterix::test::codex
