#pragma once

#include <QDBusConnection>
#include <QObject>

namespace meterix {

// Sleep and wake from logind's PrepareForSleep signal on the system bus. Without
// a system bus (containers, minimal sessions) it never reports anything, which
// reads as "always awake".
class PowerMonitor : public QObject {
    Q_OBJECT

  public:
    // Listens on the system bus.
    explicit PowerMonitor(QObject* parent = nullptr);
    // Listens on the given bus (a private one in tests).
    explicit PowerMonitor(QDBusConnection bus, QObject* parent = nullptr);
    bool isConnected() const { return connected_; }

  Q_SIGNALS:
    void willSleep();
    void didWake();

  public Q_SLOTS:
    // logind's signal: true before suspend, false after resume.
    void handlePrepareForSleep(bool sleeping);

  private:
    bool connected_ = false;
};

} // namespace meterix
