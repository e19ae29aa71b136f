#include "core/UsageTransport.h"

namespace meterix {

std::optional<QByteArray> UsageResponse::header(const QByteArray& name) const {
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

UsageFetchResult UsageTransport::usageData(const UsageRequest& request) {
    std::pair<QByteArray, UsageResponse> answer;
    try {
        answer = data(request);
    } catch (const std::exception& error) {
        return UsageFetchResult::failure(unavailableReasonForTransportError(error));
    } catch (...) {
        return UsageFetchResult::failure(UsageUnavailableReason::networkFailure);
    }
    const auto& status = answer.second.httpStatus;
    if (!status) return UsageFetchResult::failure(UsageUnavailableReason::malformedResponse);
    if (*status == 200) return UsageFetchResult::success(std::move(answer.first));
    return UsageFetchResult::failure(unavailableReasonForHTTPStatus(*status));
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
