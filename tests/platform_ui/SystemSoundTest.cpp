#include "platform/ui/SystemSound.h"

#include "support/TempHome.h"
#include "support/WaitUntil.h"

#include <QFile>

#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <mutex>
#include <vector>

namespace meterix {
namespace {

struct Played {
    QByteArray id;
    double volume;
};

TEST(SystemSound, VolumesBecomeDecibels) {
    EXPECT_DOUBLE_EQ(SystemSound::decibels(1.0), 0.0);
    EXPECT_NEAR(SystemSound::decibels(0.25), -12.04, 0.01);
    EXPECT_NEAR(SystemSound::decibels(0.35), -9.12, 0.01);
    EXPECT_DOUBLE_EQ(SystemSound::decibels(0.0), -96.0);
    EXPECT_DOUBLE_EQ(SystemSound::decibels(-1.0), -96.0);
    EXPECT_DOUBLE_EQ(SystemSound::decibels(std::nan("")), -96.0);
    EXPECT_DOUBLE_EQ(SystemSound::decibels(5.0), 0.0);
}

TEST(SystemSound, EventIdsNameSoundsOfTheFreedesktopTheme) {
    for (SystemSound::Event e : {SystemSound::Event::snap, SystemSound::Event::celebration}) {
        const QString file = QStringLiteral("/usr/share/sounds/freedesktop/stereo/%1.oga")
                                 .arg(QString::fromLatin1(SystemSound::eventId(e)));
        EXPECT_TRUE(QFile::exists(file)) << file.toStdString();
    }
    EXPECT_NE(SystemSound::eventId(SystemSound::Event::snap), SystemSound::eventId(SystemSound::Event::celebration));
}

TEST(SystemSound, PlayingNeverWaitsForTheBackend) {
    std::promise<void> entered;
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    std::mutex mutex;
    std::vector<Played> played;
    bool first = true;
    SystemSound sound([&](const QByteArray& id, double volume) {
        {
            std::lock_guard lock(mutex);
            played.push_back({id, volume});
        }
        if (first) {
            first = false;
            entered.set_value();
            released.wait(); // a backend stuck opening the audio device
        }
    });
    sound.play(SystemSound::Event::snap, 0.25);
    entered.get_future().wait();
    // The first sound is stuck in the backend; these calls still return at once.
    sound.play(SystemSound::Event::celebration, 0.35); // waits its turn
    sound.play(SystemSound::Event::snap, 0.25);        // dropped: one is already waiting
    sound.play(SystemSound::Event::snap, 0.25);        // dropped
    release.set_value();
    ASSERT_TRUE(test::waitUntil([&] {
        std::lock_guard lock(mutex);
        return played.size() == 2;
    }));
    std::lock_guard lock(mutex);
    ASSERT_EQ(played.size(), 2u);
    EXPECT_EQ(played[0].id, SystemSound::eventId(SystemSound::Event::snap));
    EXPECT_DOUBLE_EQ(played[0].volume, 0.25);
    EXPECT_EQ(played[1].id, SystemSound::eventId(SystemSound::Event::celebration));
    EXPECT_DOUBLE_EQ(played[1].volume, 0.35);
}

TEST(SystemSound, SoundsAfterTheBacklogClearsPlayAgain) {
    std::atomic<int> calls{0};
    SystemSound sound([&](const QByteArray&, double) { ++calls; });
    for (int i = 0; i < 3; ++i) {
        sound.play(SystemSound::Event::snap, 0.25);
        ASSERT_TRUE(test::waitUntil([&] { return calls.load() == i + 1; }));
    }
    EXPECT_EQ(calls.load(), 3);
}

TEST(SystemSound, AudioOutputIsFoundBySocketServerOrPlaybackDevice) {
    test::TempHome none;
    EXPECT_FALSE(SystemSound::hasAudioOutput(none.path(), QString(), none.file(QStringLiteral("snd"))));
    EXPECT_FALSE(SystemSound::hasAudioOutput(QString(), QString(), QString()));
    EXPECT_TRUE(SystemSound::hasAudioOutput(QString(), QStringLiteral("unix:/run/pulse"), QString()));

    test::TempHome pulse;
    pulse.write(QStringLiteral("pulse/native"), "");
    EXPECT_TRUE(SystemSound::hasAudioOutput(pulse.path(), QString(), QString()));

    test::TempHome pipewire;
    pipewire.write(QStringLiteral("pipewire-0"), "");
    EXPECT_TRUE(SystemSound::hasAudioOutput(pipewire.path(), QString(), QString()));

    test::TempHome alsa;
    alsa.write(QStringLiteral("snd/pcmC0D0c"), ""); // capture only
    alsa.write(QStringLiteral("snd/controlC0"), "");
    EXPECT_FALSE(SystemSound::hasAudioOutput(QString(), QString(), alsa.file(QStringLiteral("snd"))));
    alsa.write(QStringLiteral("snd/pcmC0D0p"), "");
    EXPECT_TRUE(SystemSound::hasAudioOutput(QString(), QString(), alsa.file(QStringLiteral("snd"))));
}

TEST(SystemSound, WithoutAudioTheCanberraBackendLooksForOutputOnceAndStaysSilent) {
    std::atomic<int> asked{0};
    {
        SystemSound sound(SystemSound::canberraBackend([&] {
            ++asked;
            return false;
        }));
        sound.play(SystemSound::Event::snap, 0.25);
        sound.play(SystemSound::Event::celebration, 0.35);
        ASSERT_TRUE(test::waitUntil([&] { return asked.load() > 0; }));
        sound.play(SystemSound::Event::snap, 0.25);
    } // gone only once what was queued has run
    EXPECT_EQ(asked.load(), 1);
}

} // namespace
} // namespace meterix
