#pragma once

#include "core/Locked.h"
#include "core/UsageTransport.h"

#include <functional>

namespace meterix::test {

// A transport that answers from a function and remembers every request. With no
// answer set it fails as if nothing could be reached.
class FakeTransport final : public UsageTransport {
public:
    using Responder = std::function<UsageAnswer(const UsageRequest&)>;

    FakeTransport() = default;
    explicit FakeTransport(Responder responder) : responder_(std::move(responder)) {}

    void respond(Responder responder) { responder_.set(std::move(responder)); }
    // Every request gets this HTTP answer.
    void respond(int status, QByteArray body, QList<HttpHeader> headers = {});
    // Every request fails so.
    void fail(UsageUnavailableReason reason);

    UsageAnswer answer(const UsageRequest& request) override;

    QList<UsageRequest> requests() const { return requests_.get(); }

    // An HTTP answer as the transport gives it back (its url is filled in when
    // it is the answer to a request).
    static UsageAnswer answer(int status, QByteArray body, QList<HttpHeader> headers = {});

private:
    Locked<Responder> responder_;
    Locked<QList<UsageRequest>> requests_;
};

} // namespace meterix::test
