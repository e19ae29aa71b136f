// Reads what an application on the desktop's accessibility bus shows and
// speaks: every accessible object under the application named, one line each,
//   x y width height <TAB> role <TAB> name <TAB> description
// (the box on the screen; -1 when the object has none). The accessibility bus
// is AT_SPI_BUS_ADDRESS, else the one the session bus's org.a11y.Bus names.
//
//   meterix_accessible_texts <application name>
// Exits 1 when the bus or the application cannot be found.
#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QTextStream>

#include <cstdio>
#include <optional>

namespace {

struct ObjectRef {
    QString service;
    QDBusObjectPath path;
};

QDBusArgument& operator<<(QDBusArgument& argument, const ObjectRef& ref) {
    argument.beginStructure();
    argument << ref.service << ref.path;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, ObjectRef& ref) {
    argument.beginStructure();
    argument >> ref.service >> ref.path;
    argument.endStructure();
    return argument;
}

} // namespace

Q_DECLARE_METATYPE(ObjectRef)

namespace {

const QString kAccessible = QStringLiteral("org.a11y.atspi.Accessible");
constexpr int kCallMs = 5000;
constexpr int kMostObjects = 20000;
constexpr int kDeepest = 64;

class Reader {
  public:
    explicit Reader(QDBusConnection bus) : bus_(std::move(bus)) {}

    std::optional<QDBusMessage> call(const ObjectRef& ref, const QString& interface, const QString& method,
                                     const QVariantList& arguments = {}) const {
        QDBusMessage message =
            QDBusMessage::createMethodCall(ref.service, ref.path.path(), interface, method);
        message.setArguments(arguments);
        const QDBusMessage reply = bus_.call(message, QDBus::Block, kCallMs);
        if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) return std::nullopt;
        return reply;
    }

    QString property(const ObjectRef& ref, const QString& name) const {
        const auto reply = call(ref, QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"),
                                {kAccessible, name});
        if (!reply) return {};
        return qvariant_cast<QDBusVariant>(reply->arguments().first()).variant().toString();
    }

    QList<ObjectRef> children(const ObjectRef& ref) const {
        const auto reply = call(ref, kAccessible, QStringLiteral("GetChildren"));
        QList<ObjectRef> out;
        if (reply) reply->arguments().first().value<QDBusArgument>() >> out;
        return out;
    }

    QString extents(const ObjectRef& ref) const {
        // Screen coordinates (ATSPI_COORD_TYPE_SCREEN).
        const auto reply = call(ref, QStringLiteral("org.a11y.atspi.Component"), QStringLiteral("GetExtents"),
                                {QVariant::fromValue(uint(0))});
        if (!reply) return QStringLiteral("-1 -1 -1 -1");
        int x = -1, y = -1, w = -1, h = -1;
        const QDBusArgument box = reply->arguments().first().value<QDBusArgument>();
        box.beginStructure();
        box >> x >> y >> w >> h;
        box.endStructure();
        return QStringLiteral("%1 %2 %3 %4").arg(x).arg(y).arg(w).arg(h);
    }

    QString role(const ObjectRef& ref) const {
        const auto reply = call(ref, kAccessible, QStringLiteral("GetRoleName"));
        return reply ? reply->arguments().first().toString() : QString();
    }

    // Writes ref and everything under it.
    void walk(const ObjectRef& ref, int depth, QTextStream& out) {
        if (depth > kDeepest || ++seen_ > kMostObjects) return;
        const auto flat = [](QString text) {
            return text.replace(QLatin1Char('\t'), QLatin1Char(' '))
                .replace(QLatin1Char('\n'), QLatin1Char(' '));
        };
        out << extents(ref) << '\t' << role(ref) << '\t' << flat(property(ref, QStringLiteral("Name")))
            << '\t' << flat(property(ref, QStringLiteral("Description"))) << '\n';
        for (const ObjectRef& child : children(ref))
            walk(child, depth + 1, out);
    }

  private:
    QDBusConnection bus_;
    int seen_ = 0;
};

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <application name>\n", argv[0]);
        return 2;
    }
    const QString wanted = QString::fromLocal8Bit(argv[1]);
    qDBusRegisterMetaType<ObjectRef>();
    qDBusRegisterMetaType<QList<ObjectRef>>();

    QString address = qEnvironmentVariable("AT_SPI_BUS_ADDRESS");
    if (address.isEmpty()) {
        QDBusMessage ask =
            QDBusMessage::createMethodCall(QStringLiteral("org.a11y.Bus"), QStringLiteral("/org/a11y/bus"),
                                           QStringLiteral("org.a11y.Bus"), QStringLiteral("GetAddress"));
        const QDBusMessage reply = QDBusConnection::sessionBus().call(ask, QDBus::Block, kCallMs);
        if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) {
            std::fprintf(stderr, "no accessibility bus: %s\n", qPrintable(reply.errorMessage()));
            return 1;
        }
        address = reply.arguments().first().toString();
    }
    QDBusConnection bus = QDBusConnection::connectToBus(address, QStringLiteral("a11y"));
    if (!bus.isConnected()) {
        std::fprintf(stderr, "the accessibility bus did not answer\n");
        return 1;
    }
    Reader reader(bus);
    const ObjectRef root{QStringLiteral("org.a11y.atspi.Registry"),
                         QDBusObjectPath(QStringLiteral("/org/a11y/atspi/accessible/root"))};
    QTextStream out(stdout);
    bool found = false;
    QStringList others;
    for (const ObjectRef& application : reader.children(root)) {
        const QString name = reader.property(application, QStringLiteral("Name"));
        if (name != wanted) {
            others.append(name);
            continue;
        }
        found = true;
        reader.walk(application, 0, out);
    }
    out.flush();
    if (!found) {
        std::fprintf(stderr, "no application named %s on the accessibility bus (there: %s)\n", argv[1],
                     qPrintable(others.join(QStringLiteral(", "))));
        return 1;
    }
    return 0;
}
