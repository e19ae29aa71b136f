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

UsageUnavailableReason unavailableReasonForTransportError(const std::exception& error) {
    if (const auto* t = dynamic_cast<const TransportError*>(&error);
        t && t->code() == TransportError::Code::userAuthenticationRequired)
        return UsageUnavailableReason::authenticationFailed;
    return UsageUnavailableReason::networkFailure;
}

UsageAnswer UsageAnswer::failed(UsageUnavailableReason reason) {
    UsageAnswer answer;
    answer.failure = reason;
    return answer;
}

UsageAnswer UsageTransport::answer(const UsageRequest& request) {
    UsageAnswer answer;
    answer.url = request.url;
    std::pair<QByteArray, UsageResponse> reply;
    try {
        reply = data(request);
    } catch (const std::exception& error) {
        answer.failure = unavailableReasonForTransportError(error);
        return answer;
    } catch (...) {
        answer.failure = UsageUnavailableReason::networkFailure;
        return answer;
    }
    answer.status = reply.second.httpStatus;
    answer.headers = std::move(reply.second.headers);
    answer.body = std::move(reply.first);
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
