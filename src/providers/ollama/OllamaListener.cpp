#include "providers/ollama/OllamaListener.h"

#include "core/SafeFile.h"

#include <QByteArrayList>

#include <algorithm>
#include <array>
#include <cstring>

#include <arpa/inet.h>

namespace meterix {

namespace {

// A socket table is a line per socket; a machine with many is still far
// below this.
constexpr int64_t kMaxTableBytes = 16 * 1024 * 1024;
constexpr char kListening[] = "0A";
constexpr uid_t kRoot = 0;

using Address6 = std::array<unsigned char, 16>;

// Every address a connection to `host` may be made to, in IPv6 form (an IPv4
// address mapped): "localhost" is both loopbacks.
QList<Address6> loopbackTargets(const QString& host) {
    Address6 v6{};
    std::array<unsigned char, 4> v4{};
    const QByteArray bytes = host.toLatin1();
    const auto mapped = [](const std::array<unsigned char, 4>& a) {
        Address6 m{};
        m[10] = m[11] = 0xFF;
        std::copy(a.begin(), a.end(), m.begin() + 12);
        return m;
    };
    if (host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0) {
        v6[15] = 1;
        return {mapped({127, 0, 0, 1}), v6};
    }
    if (::inet_pton(AF_INET, bytes.constData(), v4.data()) == 1)
        return v4[0] == 127 ? QList<Address6>{mapped(v4)} : QList<Address6>{};
    if (::inet_pton(AF_INET6, bytes.constData(), v6.data()) != 1) return {};
    const Address6 loopback6 = [] {
        Address6 a{};
        a[15] = 1;
        return a;
    }();
    const bool isMapped = std::all_of(v6.begin(), v6.begin() + 10, [](unsigned char b) { return b == 0; }) &&
                          v6[10] == 0xFF && v6[11] == 0xFF;
    if (v6 == loopback6 || (isMapped && v6[12] == 127)) return {v6};
    return {};
}

// A table's address: 8 hexadecimal digits (IPv4) or 32 (IPv6), each group of 8
// the kernel's 32-bit word in the machine's byte order; IPv4 comes back mapped.
std::optional<Address6> tableAddress(const QByteArray& hex) {
    if (hex.size() != 8 && hex.size() != 32) return std::nullopt;
    Address6 out{};
    unsigned char raw[16] = {};
    for (qsizetype word = 0; word < hex.size() / 8; ++word) {
        bool ok = false;
        const uint32_t value = hex.mid(word * 8, 8).toUInt(&ok, 16);
        if (!ok) return std::nullopt;
        std::memcpy(raw + word * 4, &value, 4);
    }
    if (hex.size() == 32) {
        std::copy(raw, raw + 16, out.begin());
    } else {
        out[10] = out[11] = 0xFF;
        std::copy(raw, raw + 4, out.begin() + 12);
    }
    return out;
}

// Whether a socket listening on `local` takes a connection to `target`: the same
// address, or the any-address of the target's family or of IPv6 (dual stack).
bool reaches(const Address6& local, const Address6& target) {
    const Address6 any6{};
    Address6 any4{};
    any4[10] = any4[11] = 0xFF;
    const bool targetIs4 = target[10] == 0xFF && target[11] == 0xFF;
    return local == target || local == any6 || (targetIs4 && local == any4);
}

} // namespace

OllamaListener::OllamaListener(QString systemRoot, uid_t user) : systemRoot_(std::move(systemRoot)), user_(user) {}

std::optional<QList<uid_t>> OllamaListener::loopbackListenerOwners(const QString& host, int port) const {
    const QList<Address6> targets = loopbackTargets(host);
    if (targets.isEmpty()) return std::nullopt;
    QList<uid_t> owners;
    for (const char* table : {"proc/net/tcp", "proc/net/tcp6"}) {
        const auto bytes = readRegularFileHead(systemRoot_ + QLatin1Char('/') + QLatin1String(table), kMaxTableBytes);
        if (!bytes) continue;
        const QByteArrayList lines = bytes->split('\n');
        // "sl local_address rem_address st tx_queue:rx_queue tr:tm->when retrnsmt uid ..."
        for (const QByteArray& line : lines.mid(1)) {
            const QByteArrayList fields = line.simplified().split(' ');
            if (fields.size() < 8 || fields[3] != kListening) continue;
            const QByteArrayList local = fields[1].split(':');
            bool portOk = false, uidOk = false;
            if (local.size() != 2 || local[1].toInt(&portOk, 16) != port || !portOk) continue;
            const auto address = tableAddress(local[0]);
            const uid_t uid = fields[7].toUInt(&uidOk);
            if (!address || !uidOk) continue;
            if (std::any_of(targets.begin(), targets.end(), [&](const Address6& t) { return reaches(*address, t); }))
                owners.append(uid);
        }
    }
    return owners;
}

std::optional<uid_t> OllamaListener::serviceUser() const {
    const auto passwd = readRegularFileHead(systemRoot_ + QStringLiteral("/etc/passwd"), kMaxTableBytes);
    if (!passwd) return std::nullopt;
    for (const QByteArray& line : passwd->split('\n')) {
        const QByteArrayList fields = line.split(':');
        bool ok = false;
        if (fields.size() >= 3 && fields[0] == "ollama")
            if (const uid_t uid = fields[2].toUInt(&ok); ok) return uid;
    }
    return std::nullopt;
}

bool OllamaListener::isOwn(const QUrl& server) const {
    const int port = server.port(server.scheme() == QLatin1String("https") ? 443 : 80);
    const auto owners = loopbackListenerOwners(server.host(), port);
    if (!owners) return true;
    if (owners->isEmpty()) return false;
    const std::optional<uid_t> service = serviceUser();
    return std::all_of(owners->begin(), owners->end(),
                       [&](uid_t uid) { return uid == user_ || uid == kRoot || (service && uid == *service); });
}

} // namespace meterix
