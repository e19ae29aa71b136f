#pragma once

#include "core/UsageUnavailableReason.h"

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QUrl>

#include <chrono>
#include <optional>
#include <utility>

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

// The reason for an HTTP status that is not a success: 401/403 authentication,
// 429 rate limit, anything else (200 included) a provider error.
UsageUnavailableReason unavailableReasonForHTTPStatus(int status);

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

    // What came back from url, with its failure by the one shared rule: nothing
    // exactly for status 200, the status's reason for another, and an
    // unreadable response when no HTTP status came.
    static UsageAnswer received(QUrl url, std::optional<int> status, QList<HttpHeader> headers, QByteArray body);
    // No answer came (a refused authentication, a network failure), or the
    // request could not be made at all.
    static UsageAnswer failed(UsageUnavailableReason reason, QUrl url = {});
    std::optional<QByteArray> header(const QByteArray& name) const { return headerValue(headers, name); }
};

// The request-for-data contract of the HTTP adapters. answer() blocks: call it
// only off the GUI thread. Any number of requests may run at once.
class UsageTransport {
  public:
    virtual ~UsageTransport() = default;
    // The whole answer, or why none came: a failed request is a value, never thrown.
    virtual UsageAnswer answer(const UsageRequest& request) = 0;
};

// Whether a header value may be sent: no CR, LF, NUL or other control character.
bool isSafeHeaderValue(const QByteArray& value);

} // namespace meterix
