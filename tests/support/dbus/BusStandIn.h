#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QVariantList>

namespace meterix::test {

// A desktop service as a test serves it on a private bus: this object at one
// path under one well-known name, both given up again on destruction.
class BusStandIn : public QObject {
    Q_OBJECT

  public:
    BusStandIn(QDBusConnection bus, QString service, QString path, QObject* parent = nullptr);
    ~BusStandIn() override;

    // Puts the object on the bus and takes the name; false when refused.
    bool publish(QDBusConnection::RegisterOptions options);

  protected:
    // Sends a signal from the object's path.
    void sendSignal(const QString& interface, const QString& name, const QVariantList& arguments);

  private:
    QDBusConnection bus_;
    QString service_;
    QString path_;
};

} // namespace meterix::test
