#include "core/UsageTransport.h"

namespace meterix {

std::optional<QByteArray> headerValue(const QList<HttpHeader>& headers, const QByteArray& name) {
    for (const HttpHeader& h : headers)
        if (h.first.compare(name, Qt::CaseInsensitive) == 0) return h.second;
    return std::nullopt;
}

UsageUnavailableReason unavailableReasonForHTTPStatus(int status) {
    if (status == 401 || status == 403) return UsageUnavailableReason::authenticationFailed;
    if (status == 429) return UsageUnavailableReason::rateLimited;
    return UsageUnavailableReason::providerError;
}

UsageAnswer UsageAnswer::received(QUrl url, std::optional<int> status, QList<HttpHeader> headers,
                                  QByteArray body) {
    UsageAnswer answer{std::move(url), status, std::move(headers), std::move(body), std::nullopt};
    if (!status)
        answer.failure = UsageUnavailableReason::malformedResponse;
    else if (*status != 200)
        answer.failure = unavailableReasonForHTTPStatus(*status);
    return answer;
}

UsageAnswer UsageAnswer::failed(UsageUnavailableReason reason, QUrl url) {
    UsageAnswer answer;
    answer.url = std::move(url);
    answer.failure = reason;
    return answer;
}

bool isSafeHeaderValue(const QByteArray& value) {
    for (char c : value) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x20 || u == 0x7F) {
            if (u == '\t') continue; // horizontal tab is allowed inside a field value
            return false;
        }
    }
    return true;
}

} // namespace meterix
