// The yardstick for the app's resident memory: a trivial Qt window linked with
// the same libraries as Meterix, on the same platform plugin, drawing the same
// kind of Korean text in the same fonts, with a tray icon beside it. What the
// app uses above this is its own.
// With --step it is also the yardstick for the cat's idle CPU: a cat-sized
// block walks 3 px along the window's top edge every 0.12 s, each step one
// repaint of the old and new block, as the cat's steps are (without the cat's
// frames, shadow stamps or reshaping of the window).
#include <QApplication>
#include <QPainter>
#include <QSystemTrayIcon>
#include <QTimer>
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
        if (stepping_) p.fillRect(block(), QColor(240, 150, 60));
    }

  public:
    void startStepping() {
        stepping_ = true;
        steps_.setTimerType(Qt::PreciseTimer);
        steps_.setInterval(120);
        QObject::connect(&steps_, &QTimer::timeout, this, [this] {
            const QRect before = block();
            x_ += direction_ * 3;
            if (x_ <= 12 || x_ >= 250) direction_ = -direction_;
            repaint(before | block());
        });
        steps_.start();
    }

  private:
    QRect block() const { return QRect(x_, 2, 22, 24); }

    bool stepping_ = false;
    QTimer steps_;
    int x_ = 60;
    int direction_ = 1;
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
    if (app.arguments().contains(QStringLiteral("--step"))) window.startStepping();
    QSystemTrayIcon tray(QIcon::fromTheme(QStringLiteral("dialog-information")));
    tray.show();
    const int status = app.exec();
    if (sounds) ca_context_destroy(sounds);
    curl_global_cleanup();
    return status;
}
