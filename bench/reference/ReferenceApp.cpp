// The yardstick for the app's resident memory: a trivial Qt window linked with
// the same libraries as Meterix, on the same platform plugin, drawing the same
// kind of Korean text in the same fonts, with a tray icon beside it. What the
// app uses above this is its own.
#include <QApplication>
#include <QPainter>
#include <QSystemTrayIcon>
#include <QWidget>

#include <canberra.h>
#include <curl/curl.h>
#include <plist/plist.h>
#include <sqlite3.h>

#include <cstdio>

namespace {

class Window final : public QWidget {
  public:
    Window() {
        setWindowFlags(Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                       Qt::WindowDoesNotAcceptFocus);
        setAttribute(Qt::WA_TranslucentBackground);
        setAttribute(Qt::WA_ShowWithoutActivating);
        resize(300, 74);
    }

  protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        p.setBrush(QColor(255, 255, 255, 200));
        p.setPen(Qt::NoPen);
        p.drawRoundedRect(QRectF(20, 20, 260, 34), 17, 17);
        QFont font(QStringLiteral("NanumSquareRound"));
        font.setPixelSize(12);
        p.setFont(font);
        p.setPen(Qt::black);
        p.drawText(QRectF(30, 20, 240, 34), Qt::AlignVCenter, QStringLiteral("사용량 70% · 잔여 42%"));
    }
};

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    app.setQuitOnLastWindowClosed(false);
    // Touch each library Meterix links, so the same ones are loaded.
    curl_global_init(CURL_GLOBAL_DEFAULT);
    std::fprintf(stderr, "reference: %s, sqlite %s\n", curl_version(), sqlite3_libversion());
    plist_free(plist_new_dict());
    ca_context* sounds = nullptr;
    ca_context_create(&sounds);
    Window window;
    window.show();
    QSystemTrayIcon tray(QIcon::fromTheme(QStringLiteral("dialog-information")));
    tray.show();
    const int status = app.exec();
    if (sounds) ca_context_destroy(sounds);
    curl_global_cleanup();
    return status;
}
