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

UsageUnavailableReason unavailableReasonForTransportFailure(TransportFailure failure) {
    return failure == TransportFailure::userAuthenticationRequired
               ? UsageUnavailableReason::authenticationFailed
               : UsageUnavailableReason::networkFailure;
}

TransportReply TransportReply::answered(QByteArray body, UsageResponse response) {
    return {std::move(body), std::move(response), std::nullopt};
}

TransportReply TransportReply::failed(TransportFailure failure) {
    return {{}, {}, failure};
}

UsageAnswer UsageAnswer::failed(UsageUnavailableReason reason) {
    UsageAnswer answer;
    answer.failure = reason;
    return answer;
}

UsageAnswer UsageTransport::answer(const UsageRequest& request) {
    UsageAnswer answer;
    answer.url = request.url;
    TransportReply reply = data(request);
    if (reply.failure) {
        answer.failure = unavailableReasonForTransportFailure(*reply.failure);
        return answer;
    }
    answer.status = reply.response.httpStatus;
    answer.headers = std::move(reply.response.headers);
    answer.body = std::move(reply.body);
    if (!answer.status)
        answer.failure = UsageUnavailableReason::malformedResponse;
    else if (*answer.status != 200)
        answer.failure = unavailableReasonForHTTPStatus(*answer.status);
    return answer;
}

UsageFetchResult UsageTransport::usageData(const UsageRequest& request) {
    UsageAnswer reply = answer(request);
    if (reply.failure) return UsageFetchResult::failure(*reply.failure);
    return UsageFetchResult::success(std::move(reply.body));
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
