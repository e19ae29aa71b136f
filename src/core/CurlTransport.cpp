#include "core/CurlTransport.h"

#include <curl/curl.h>

#include <arpa/inet.h>
#include <algorithm>
#include <atomic>
#include <cerrno>
#include <memory>
#include <mutex>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace meterix {

namespace {

std::atomic<bool> curlSetUp{false};

// On the first request, not at start: libcurl's global set-up initialises the
// TLS library (its configuration, providers and tables, a few MB resident),
// which a home whose providers make no request never needs.
void initialiseCurlOnce() {
    static std::once_flag once;
    std::call_once(once, [] {
        curl_global_init(CURL_GLOBAL_DEFAULT);
        curlSetUp.store(true);
    });
}

struct Transfer {
    QByteArray body;
    QList<HttpHeader> headers;
    int64_t cap = 0;
    const std::atomic<bool>* cancelled = nullptr;
};

// libcurl's own sockets are not close-on-exec: a probe started while a request
// is open would inherit the live connection. Made so in one step, as socket()
// opens them, with no moment in which a fork could copy them.
curl_socket_t openCloseOnExecSocket(void*, curlsocktype, curl_sockaddr* address) {
    return ::socket(address->family, address->socktype | SOCK_CLOEXEC, address->protocol);
}

constexpr qsizetype kMaxHeaders = 200;
constexpr qsizetype kMaxHeaderLine = 16 * 1024;

size_t onBody(char* data, size_t size, size_t count, void* user) {
    auto* t = static_cast<Transfer*>(user);
    const size_t n = size * count;
    if (t->body.size() + static_cast<int64_t>(n) > t->cap) return 0; // makes curl stop with CURLE_WRITE_ERROR
    t->body.append(data, static_cast<qsizetype>(n));
    return n;
}

size_t onHeader(char* data, size_t size, size_t count, void* user) {
    auto* t = static_cast<Transfer*>(user);
    const size_t n = size * count;
    QByteArray line(data, static_cast<qsizetype>(std::min<size_t>(n, kMaxHeaderLine)));
    if (line.startsWith("HTTP/")) {
        t->headers.clear(); // a new response (after 100 Continue): keep only the last one's headers
        return n;
    }
    const qsizetype colon = line.indexOf(':');
    if (colon > 0 && t->headers.size() < kMaxHeaders)
        t->headers.append({line.left(colon).trimmed().toLower(), line.mid(colon + 1).trimmed()});
    return n;
}

int onProgress(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    const auto* t = static_cast<Transfer*>(user);
    return t->cancelled->load() ? 1 : 0;
}

struct SlistDeleter {
    void operator()(curl_slist* l) const { curl_slist_free_all(l); }
};

// Why a transfer brought no answer: a refused login is an authentication
// failure; everything else (a time-out, no connection, a body over the cap, a
// cancel at quit) a network failure.
UsageUnavailableReason failureFor(CURLcode rc) {
    return rc == CURLE_LOGIN_DENIED || rc == CURLE_AUTH_ERROR ? UsageUnavailableReason::authenticationFailed
                                                              : UsageUnavailableReason::networkFailure;
}

} // namespace

// A loopback connect is answered in microseconds: the wait (a second at most)
// bounds only a machine too busy to answer it.
bool refusedOnLoopback(const QUrl& url, std::chrono::milliseconds wait) {
    if (url.scheme() != QLatin1String("http")) return false;
    const QByteArray host = url.host().toLatin1();
    const auto port = htons(static_cast<uint16_t>(url.port(80)));
    sockaddr_in v4{};
    sockaddr_in6 v6{};
    const sockaddr* address = nullptr;
    socklen_t length = 0;
    if (::inet_pton(AF_INET, host.constData(), &v4.sin_addr) == 1 && (ntohl(v4.sin_addr.s_addr) >> 24) == 127) {
        v4.sin_family = AF_INET;
        v4.sin_port = port;
        address = reinterpret_cast<const sockaddr*>(&v4);
        length = sizeof v4;
    } else if (::inet_pton(AF_INET6, host.constData(), &v6.sin6_addr) == 1 && IN6_IS_ADDR_LOOPBACK(&v6.sin6_addr)) {
        v6.sin6_family = AF_INET6;
        v6.sin6_port = port;
        address = reinterpret_cast<const sockaddr*>(&v6);
        length = sizeof v6;
    } else {
        return false;
    }
    const int fd = ::socket(address->sa_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;
    int error = ::connect(fd, address, length) == 0 ? 0 : errno;
    if (error == EINPROGRESS) {
        pollfd watch{fd, POLLOUT, 0};
        socklen_t size = sizeof error;
        if (::poll(&watch, 1, static_cast<int>(std::clamp<int64_t>(wait.count(), 0, 1000))) != 1 ||
            ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &size) != 0)
            error = 0;
    }
    ::close(fd);
    return error == ECONNREFUSED;
}

// Idle handles kept per host: requests to one host overlap only when a
// refresh and an on-demand fetch meet.
constexpr size_t kIdleHandlesPerHost = 2;

CurlTransport::CurlTransport(int64_t bodyCap) : bodyCap_(bodyCap) {}

CurlTransport::~CurlTransport() {
    std::lock_guard lock(idleMutex_);
    for (auto& [host, handles] : idle_)
        for (void* h : handles)
            curl_easy_cleanup(static_cast<CURL*>(h));
    idle_.clear();
}

void* CurlTransport::takeHandle(const QByteArray& host) {
    {
        std::lock_guard lock(idleMutex_);
        auto it = idle_.find(host);
        if (it != idle_.end() && !it->second.empty()) {
            void* h = it->second.back();
            it->second.pop_back();
            return h;
        }
    }
    return curl_easy_init();
}

namespace {

// Whether the handle still holds an open connection to its host. A request
// that ended before one was made, or whose connection was closed (a host that
// could not be resolved or reached, a server that hung up), leaves nothing to
// reuse: such a handle is only its buffers and caches, and goes.
bool holdsOpenConnection(CURL* handle) {
    curl_socket_t socket = CURL_SOCKET_BAD;
    return curl_easy_getinfo(handle, CURLINFO_ACTIVESOCKET, &socket) == CURLE_OK && socket != CURL_SOCKET_BAD;
}

} // namespace

void CurlTransport::giveBack(const QByteArray& host, void* handle) {
    const bool reusable = holdsOpenConnection(static_cast<CURL*>(handle));
    // Options (the key headers among them) go; the connection and the TLS
    // session stay for the host's next request.
    curl_easy_reset(static_cast<CURL*>(handle));
    if (reusable && !cancelled_.load()) {
        std::lock_guard lock(idleMutex_);
        std::vector<void*>& handles = idle_[host];
        if (handles.size() < kIdleHandlesPerHost) {
            handles.push_back(handle);
            return;
        }
    }
    curl_easy_cleanup(static_cast<CURL*>(handle));
}

CurlTransport& CurlTransport::shared() {
    static CurlTransport* transport = new CurlTransport(); // lives for the whole process
    return *transport;
}

void CurlTransport::cancelAll() {
    cancelled_.store(true);
}

UsageAnswer CurlTransport::answer(const UsageRequest& request) {
    const auto failed = [&](UsageUnavailableReason reason) { return UsageAnswer::failed(reason, request.url); };
    if (cancelled_.load()) return failed(UsageUnavailableReason::networkFailure);
    const QString scheme = request.url.scheme();
    if (!request.url.isValid() || (scheme != QLatin1String("https") && scheme != QLatin1String("http")))
        return failed(UsageUnavailableReason::networkFailure);
    // A local server that is not running (one asked at every start) is
    // told without setting libcurl up, as libcurl would tell it.
    if (!curlSetUp.load() && refusedOnLoopback(request.url, request.timeout))
        return failed(UsageUnavailableReason::networkFailure);
    // Before any other libcurl call, curl_slist_append included.
    initialiseCurlOnce();

    std::unique_ptr<curl_slist, SlistDeleter> headerList;
    for (const HttpHeader& h : request.headers) {
        if (h.first.isEmpty() || !isSafeHeaderValue(h.first) || h.first.contains(':') ||
            !isSafeHeaderValue(h.second))
            return failed(UsageUnavailableReason::networkFailure);
        const QByteArray line = h.first + ": " + h.second;
        curl_slist* next = curl_slist_append(headerList.get(), line.constData());
        if (!next) return failed(UsageUnavailableReason::networkFailure);
        (void)headerList.release();
        headerList.reset(next);
    }

    const QByteArray host = request.url.scheme().toLatin1() + "://" + request.url.host().toUtf8() + ':' +
                            QByteArray::number(request.url.port(-1));
    // Back to the host's idle handles when the request is over, however it ends.
    const auto giveBackLater = [this, host](CURL* h) { giveBack(host, h); };
    std::unique_ptr<CURL, decltype(giveBackLater)> curl(static_cast<CURL*>(takeHandle(host)), giveBackLater);
    if (!curl) return failed(UsageUnavailableReason::networkFailure);
    CURL* c = curl.get();

    Transfer transfer;
    transfer.cap = bodyCap_;
    transfer.cancelled = &cancelled_;
    const QByteArray url = request.url.toEncoded();
    const long timeoutMs = static_cast<long>(std::max<int64_t>(1, request.timeout.count()));

    curl_easy_setopt(c, CURLOPT_URL, url.constData());
    curl_easy_setopt(c, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(c, CURLOPT_VERBOSE, 0L);
    curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(c, CURLOPT_FOLLOWLOCATION, 0L);
    curl_easy_setopt(c, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(c, CURLOPT_SSL_VERIFYHOST, 2L);
    curl_easy_setopt(c, CURLOPT_TIMEOUT_MS, timeoutMs);
    curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT_MS, std::min(timeoutMs, 15000L));
    curl_easy_setopt(c, CURLOPT_ACCEPT_ENCODING, "");
    curl_easy_setopt(c, CURLOPT_USERAGENT, "Meterix");
    curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, &onBody);
    curl_easy_setopt(c, CURLOPT_WRITEDATA, &transfer);
    curl_easy_setopt(c, CURLOPT_HEADERFUNCTION, &onHeader);
    curl_easy_setopt(c, CURLOPT_HEADERDATA, &transfer);
    curl_easy_setopt(c, CURLOPT_OPENSOCKETFUNCTION, &openCloseOnExecSocket);
    curl_easy_setopt(c, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(c, CURLOPT_XFERINFOFUNCTION, &onProgress);
    curl_easy_setopt(c, CURLOPT_XFERINFODATA, &transfer);
    if (request.method != "GET") curl_easy_setopt(c, CURLOPT_CUSTOMREQUEST, request.method.constData());
    if (headerList) curl_easy_setopt(c, CURLOPT_HTTPHEADER, headerList.get());

    const CURLcode rc = curl_easy_perform(c);
    if (rc != CURLE_OK) return failed(failureFor(rc));

    long status = 0;
    curl_easy_getinfo(c, CURLINFO_RESPONSE_CODE, &status);
    return UsageAnswer::received(request.url, status > 0 ? std::optional<int>(int(status)) : std::nullopt,
                                 std::move(transfer.headers), std::move(transfer.body));
}

} // namespace meterix
