#include "support/FakeTransport.h"

namespace meterix::test {

std::pair<QByteArray, UsageResponse> FakeTransport::answer(int status, QByteArray body, QList<HttpHeader> headers) {
    UsageResponse response;
    response.httpStatus = status;
    response.headers = std::move(headers);
    return {std::move(body), std::move(response)};
}

void FakeTransport::respond(int status, QByteArray body, QList<HttpHeader> headers) {
    respond([=](const UsageRequest&) { return answer(status, body, headers); });
}

void FakeTransport::fail(TransportError::Code code) {
    respond([code](const UsageRequest&) -> std::pair<QByteArray, UsageResponse> { throw TransportError(code); });
}

std::pair<QByteArray, UsageResponse> FakeTransport::data(const UsageRequest& request) {
    requests_.withValue([&](QList<UsageRequest>& list) { list.append(request); });
    const Responder responder = responder_.get();
    if (!responder) throw TransportError(TransportError::Code::cannotConnect);
    return responder(request);
}

} // namespace meterix::test
