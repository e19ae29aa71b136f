#pragma once

#include "core/Locked.h"
#include "core/UsageTransport.h"

#include <functional>

namespace meterix::test {

// A transport that answers from a function and remembers every request. With no
// answer set it fails as if nothing could be reached.
class FakeTransport final : public UsageTransport {
public:
    using Responder = std::function<TransportReply(const UsageRequest&)>;

    FakeTransport() = default;
    explicit FakeTransport(Responder responder) : responder_(std::move(responder)) {}

    void respond(Responder responder) { responder_.set(std::move(responder)); }
    // Every request gets this HTTP answer.
    void respond(int status, QByteArray body, QList<HttpHeader> headers = {});
    // Every request fails so.
    void fail(TransportFailure failure);

    TransportReply data(const UsageRequest& request) override;

    QList<UsageRequest> requests() const { return requests_.get(); }

    static TransportReply answer(int status, QByteArray body, QList<HttpHeader> headers = {});

private:
    Locked<Responder> responder_;
    Locked<QList<UsageRequest>> requests_;
};

} // namespace meterix::test
