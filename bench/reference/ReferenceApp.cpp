// The yardstick for the app's resident memory: a trivial Qt window linked with
// the same libraries as Meterix, on the same platform plugin, drawing the same
// kind of Korean text in the same fonts, with a tray icon beside it. What the
// app uses above this is its own.
// With --step it is also the yardstick for the cat's idle CPU: a cat-sized
// block walks along the window's top edge as the cat does, a step of 3 px
// every 0.12 s, each step a linear glide over those 0.12 s drawn 30 times a
// second, each drawing one repaint of the old and new block (without the
// cat's frames, shadow stamps or reshaping of the window).
// With --curl it is the yardstick for a home with API keys: it sets libcurl
// and OpenSSL up once, as the app does for its first request, with one request
// to a closed port on loopback.
#include <QApplication>
#include <QElapsedTimer>
#include <QPainter>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QWidget>

#include <canberra.h>
#include <curl/curl.h>
#include <plist/plist.h>

#include <algorithm>
#include <cmath>
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
        clock_.start();
        for (QTimer* t : {&ticks_, &glide_})
            t->setTimerType(Qt::PreciseTimer);
        ticks_.setInterval(120);
        glide_.setInterval(33);
        // A step begins: from where the block stands, 3 px on, bouncing at the ends.
        QObject::connect(&ticks_, &QTimer::timeout, this, [this] {
            from_ = positionAt(clock_.elapsed());
            target_ = from_ + direction_ * 3;
            if (target_ <= 12 || target_ >= 250) direction_ = -direction_;
            startMs_ = clock_.elapsed();
            if (!glide_.isActive()) glide_.start();
        });
        // The glide's steps, and no timer once it has landed.
        QObject::connect(&glide_, &QTimer::timeout, this, [this] {
            const qint64 now = clock_.elapsed();
            const double x = std::round(positionAt(now) * 4) / 4;
            if (x != x_) {
                const QRect before = block().toAlignedRect();
                x_ = x;
                repaint(before | block().toAlignedRect());
            }
            if (now - startMs_ >= 120) glide_.stop();
        });
        ticks_.start();
    }

  private:
    QRectF block() const { return QRectF(x_, 2, 22, 24); }
    double positionAt(qint64 now) const {
        return from_ + (target_ - from_) * std::min(1.0, double(now - startMs_) / 120);
    }

    bool stepping_ = false;
    QTimer ticks_;
    QTimer glide_;
    QElapsedTimer clock_;
    double x_ = 60, from_ = 60, target_ = 60;
    qint64 startMs_ = 0;
    int direction_ = 1;
};

// libcurl's global set-up (OpenSSL's with it) and one request over TLS that
// ends at the connect: nobody listens on port 9 of loopback.
void setUpCurlOnce() {
    curl_global_init(CURL_GLOBAL_DEFAULT);
    if (CURL* curl = curl_easy_init()) {
        curl_easy_setopt(curl, CURLOPT_URL, "https://127.0.0.1:9/");
        curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, 2000L);
        const CURLcode rc = curl_easy_perform(curl);
        std::fprintf(stderr, "reference: request on loopback: %s\n", curl_easy_strerror(rc));
        curl_easy_cleanup(curl);
    }
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    app.setQuitOnLastWindowClosed(false);
    // Touch each library Meterix links, so the same ones are loaded. Like the
    // app at rest on a home without keys it sets none of libcurl up (the app
    // does on its first request; --curl does it too) and loads no SQLite (the
    // app does for a database to read).
    std::fprintf(stderr, "reference: %s\n", curl_version());
    if (app.arguments().contains(QStringLiteral("--curl"))) setUpCurlOnce();
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
    return status;
}
