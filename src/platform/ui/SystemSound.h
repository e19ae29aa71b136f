#pragma once

#include "core/SerialExecutor.h"

#include <QByteArray>
#include <QString>

#include <atomic>
#include <functional>
#include <memory>

namespace meterix {

// The two event sounds, played through libcanberra with the freedesktop sound
// theme. play() only queues: opening the audio backend and decoding the sound
// happen on the object's own worker thread, so the GUI thread never waits on
// audio. Where no audio output exists nothing is opened and nothing is heard.
class SystemSound {
public:
    enum class Event { snap, celebration };

    // What actually plays a sound, run on the worker: the event id of the sound
    // theme and a linear volume 0...1.
    using Backend = std::function<void(const QByteArray& eventId, double volume)>;

    explicit SystemSound(Backend backend);
    ~SystemSound();
    SystemSound(const SystemSound&) = delete;
    SystemSound& operator=(const SystemSound&) = delete;

    // The instance on libcanberra; created on first use, never destroyed (a
    // sound may still be finishing while the process exits).
    static SystemSound& shared();

    // Queues the event and returns at once. While one sound is still waiting to
    // start, further ones are dropped rather than piling up behind a slow backend.
    void play(Event event, double volume);

    // The freedesktop theme's event id standing in for each sound.
    static QByteArray eventId(Event event);
    // libcanberra takes volumes in decibels; 0 or less is silence (-inf clamped).
    static double decibels(double linearVolume);

    // Whether this machine has any place to send sound: a PulseAudio or PipeWire
    // socket, a PULSE_SERVER, or an ALSA playback device. The paths are taken as
    // arguments so the decision can be checked without touching the machine.
    static bool hasAudioOutput(const QString& runtimeDir, const QString& pulseServer, const QString& alsaDevices);

    // The libcanberra backend: opens its context on first use, and stays silent
    // for good when the machine has no audio output or the context cannot open.
    // audioPresent is asked once, at that first use (the machine's own check
    // when none is given).
    static Backend canberraBackend(std::function<bool()> audioPresent = {});

private:
    Backend backend_;
    std::atomic<int> waiting_{0};
    std::unique_ptr<SerialExecutor> worker_;
};

} // namespace meterix
