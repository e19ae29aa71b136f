#pragma once

#include <QDesktopServices>
#include <QList>
#include <QObject>
#include <QUrl>

namespace meterix::test {

// Takes the https links a view opens, instead of a browser, while it lives.
class LinkCatcher : public QObject {
    Q_OBJECT
  public:
    LinkCatcher() { QDesktopServices::setUrlHandler(QStringLiteral("https"), this, "open"); }
    ~LinkCatcher() override { QDesktopServices::unsetUrlHandler(QStringLiteral("https")); }
    QList<QUrl> opened;
  public Q_SLOTS:
    void open(const QUrl& url) { opened.append(url); }
};

} // namespace meterix::test
