#include "support/FakeTransport.h"

namespace meterix::test {

TransportReply FakeTransport::answer(int status, QByteArray body, QList<HttpHeader> headers) {
    UsageResponse response;
    response.httpStatus = status;
    response.headers = std::move(headers);
    return TransportReply::answered(std::move(body), std::move(response));
}

void FakeTransport::respond(int status, QByteArray body, QList<HttpHeader> headers) {
    respond([=](const UsageRequest&) { return answer(status, body, headers); });
}

void FakeTransport::fail(TransportFailure failure) {
    respond([failure](const UsageRequest&) { return TransportReply::failed(failure); });
}

TransportReply FakeTransport::data(const UsageRequest& request) {
    requests_.withValue([&](QList<UsageRequest>& list) { list.append(request); });
    const Responder responder = responder_.get();
    if (!responder) return TransportReply::failed(TransportFailure::cannotConnect);
    return responder(request);
}

} // namespace meterix::test
