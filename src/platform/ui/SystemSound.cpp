#include "platform/ui/SystemSound.h"

#include <QDir>
#include <QFileInfo>

#include <canberra.h>

#include <algorithm>
#include <cmath>

namespace meterix {

namespace {

// Used only from the worker thread; destroyed after the worker has been joined.
class CanberraPlayer {
public:
    explicit CanberraPlayer(std::function<bool()> audioPresent) : audioPresent_(std::move(audioPresent)) {}
    ~CanberraPlayer() {
        if (context_) ca_context_destroy(context_);
    }
    CanberraPlayer(const CanberraPlayer&) = delete;
    CanberraPlayer& operator=(const CanberraPlayer&) = delete;

    void play(const QByteArray& eventId, double volume) {
        if (!open()) return;
        const QByteArray db = QByteArray::number(SystemSound::decibels(volume), 'f', 2);
        // Errors (no such sound in the theme, a busy device) are skipped silently.
        ca_context_play(context_, 0, CA_PROP_EVENT_ID, eventId.constData(), CA_PROP_CANBERRA_XDG_THEME_NAME,
                        "freedesktop", CA_PROP_CANBERRA_VOLUME, db.constData(), CA_PROP_CANBERRA_CACHE_CONTROL,
                        "volatile", nullptr);
    }

private:
    bool open() {
        if (context_) return true;
        if (failed_) return false;
        failed_ = true;
        if (!audioPresent_()) return false;
        ca_context* context = nullptr;
        if (ca_context_create(&context) != CA_SUCCESS) return false;
        ca_context_change_props(context, CA_PROP_APPLICATION_NAME, "Meterix", CA_PROP_APPLICATION_ID, "com.meterix",
                                nullptr);
        if (ca_context_open(context) != CA_SUCCESS) {
            ca_context_destroy(context);
            return false;
        }
        context_ = context;
        failed_ = false;
        return true;
    }

    std::function<bool()> audioPresent_;
    ca_context* context_ = nullptr;
    bool failed_ = false;
};

} // namespace

SystemSound::SystemSound(Backend backend)
    : backend_(std::move(backend)), worker_(std::make_unique<SerialExecutor>()) {}

SystemSound::~SystemSound() {
    // Runs what is queued and joins, so the backend is idle when it is destroyed.
    worker_->stop();
}

SystemSound& SystemSound::shared() {
    static SystemSound* instance = new SystemSound(canberraBackend());
    return *instance;
}

void SystemSound::play(Event event, double volume) {
    if (waiting_.fetch_add(1) > 0) {
        waiting_.fetch_sub(1);
        return;
    }
    const QByteArray id = eventId(event);
    worker_->post([this, id, volume] {
        waiting_.fetch_sub(1);
        if (backend_) backend_(id, volume);
    });
}

QByteArray SystemSound::eventId(Event event) {
    // A short soft click for the snap, the theme's completion chime for the celebration.
    return event == Event::snap ? QByteArrayLiteral("audio-volume-change") : QByteArrayLiteral("complete");
}

double SystemSound::decibels(double linearVolume) {
    if (!(linearVolume > 0.0)) return -96.0;
    if (linearVolume > 1.0) linearVolume = 1.0;
    return std::max(-96.0, 20.0 * std::log10(linearVolume));
}

bool SystemSound::hasAudioOutput(const QString& runtimeDir, const QString& pulseServer, const QString& alsaDevices) {
    if (!pulseServer.isEmpty()) return true;
    if (!runtimeDir.isEmpty()) {
        for (const QString& socket : {QStringLiteral("/pulse/native"), QStringLiteral("/pipewire-0")})
            if (QFileInfo::exists(runtimeDir + socket)) return true;
    }
    const QStringList playback = QDir(alsaDevices).entryList({QStringLiteral("pcmC*p")}, QDir::System | QDir::Files);
    return !playback.isEmpty();
}

SystemSound::Backend SystemSound::canberraBackend(std::function<bool()> audioPresent) {
    if (!audioPresent)
        audioPresent = [] {
            return hasAudioOutput(qEnvironmentVariable("XDG_RUNTIME_DIR"), qEnvironmentVariable("PULSE_SERVER"),
                                  QStringLiteral("/dev/snd"));
        };
    auto player = std::make_shared<CanberraPlayer>(std::move(audioPresent));
    return [player](const QByteArray& eventId, double volume) { player->play(eventId, volume); };
}

} // namespace meterix
