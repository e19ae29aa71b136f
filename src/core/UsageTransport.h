#pragma once

#include "core/UsageUnavailableReason.h"

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QUrl>

#include <chrono>
#include <optional>
#include <utility>
#include <variant>

namespace meterix {

using HttpHeader = QPair<QByteArray, QByteArray>;

struct UsageRequest {
    QUrl url;
    QByteArray method = "GET";
    QList<HttpHeader> headers;
    // The whole request, connection included, must finish within this.
    std::chrono::milliseconds timeout{30000};
};

// The first value of a header, by case-insensitive name.
std::optional<QByteArray> headerValue(const QList<HttpHeader>& headers, const QByteArray& name);

struct UsageResponse {
    // Absent when the answer was not an HTTP answer.
    std::optional<int> httpStatus;
    QList<HttpHeader> headers; // names lower-cased
    std::optional<QByteArray> header(const QByteArray& name) const { return headerValue(headers, name); }
};

// Why a transport brought no answer back.
enum class TransportFailure {
    timedOut,
    cannotConnect,
    userAuthenticationRequired,
    cancelled,
    invalidRequest,
    bodyTooLarge,
    other
};

// What one request brought back: the body and response of an answer, or why
// none came (then body and response are empty).
struct TransportReply {
    QByteArray body;
    UsageResponse response;
    std::optional<TransportFailure> failure;

    static TransportReply answered(QByteArray body, UsageResponse response);
    static TransportReply failed(TransportFailure failure);
};

// The reason for an HTTP status that is not a success: 401/403 authentication,
// 429 rate limit, anything else (200 included) a provider error.
UsageUnavailableReason unavailableReasonForHTTPStatus(int status);
// The reason for a request that brought no answer: a refused authentication is
// an authentication failure, everything else a network failure.
UsageUnavailableReason unavailableReasonForTransportFailure(TransportFailure failure);

// The body of a 200 answer, or why there is none.
class UsageFetchResult {
  public:
    static UsageFetchResult success(QByteArray body) { return UsageFetchResult(std::move(body)); }
    static UsageFetchResult failure(UsageUnavailableReason reason) { return UsageFetchResult(reason); }

    bool isSuccess() const { return std::holds_alternative<QByteArray>(value_); }
    const QByteArray& data() const { return std::get<QByteArray>(value_); }
    UsageUnavailableReason reason() const { return std::get<UsageUnavailableReason>(value_); }

  private:
    explicit UsageFetchResult(QByteArray body) : value_(std::move(body)) {}
    explicit UsageFetchResult(UsageUnavailableReason r) : value_(r) {}
    std::variant<QByteArray, UsageUnavailableReason> value_;
};

// Everything one request brought back, and why it gives no usable body: an
// adapter reads the status, headers and body of a refusal when they say more
// than the reason does (a missing permission, another host to try).
struct UsageAnswer {
    QUrl url;                  // the address asked
    std::optional<int> status; // nothing when no HTTP answer came
    QList<HttpHeader> headers; // names lower-cased
    QByteArray body;
    // Nothing exactly for status 200; otherwise the shared reason for the outcome.
    std::optional<UsageUnavailableReason> failure;

    // An answer that never went out: the request could not be made.
    static UsageAnswer failed(UsageUnavailableReason reason);
    std::optional<QByteArray> header(const QByteArray& name) const { return headerValue(headers, name); }
};

// The request-for-data contract of the HTTP adapters. data() and the calls
// built on it block: call them only off the GUI thread. Any number of requests
// may run at once.
class UsageTransport {
  public:
    virtual ~UsageTransport() = default;
    // The answer, or why none came: a failed request is a value, never thrown.
    virtual TransportReply data(const UsageRequest& request) = 0;
    // The whole answer, with its failure reason by the one shared rule (exactly
    // status 200 is success).
    UsageAnswer answer(const UsageRequest& request);
    // The body of a 200 answer, or the reason answer() gives.
    UsageFetchResult usageData(const UsageRequest& request);
};

// Whether a header value may be sent: no CR, LF, NUL or other control character.
bool isSafeHeaderValue(const QByteArray& value);

} // namespace meterix
