#include "support/FakeTransport.h"

namespace meterix::test {

UsageAnswer FakeTransport::answer(int status, QByteArray body, QList<HttpHeader> headers) {
    return UsageAnswer::received(QUrl(), status, std::move(headers), std::move(body));
}

void FakeTransport::respond(int status, QByteArray body, QList<HttpHeader> headers) {
    respond([=](const UsageRequest&) { return answer(status, body, headers); });
}

void FakeTransport::fail(UsageUnavailableReason reason) {
    respond([reason](const UsageRequest&) { return UsageAnswer::failed(reason); });
}

UsageAnswer FakeTransport::answer(const UsageRequest& request) {
    requests_.withValue([&](QList<UsageRequest>& list) { list.append(request); });
    const Responder responder = responder_.get();
    UsageAnswer answer =
        responder ? responder(request) : UsageAnswer::failed(UsageUnavailableReason::networkFailure);
    answer.url = request.url;
    return answer;
}

} // namespace meterix::test
