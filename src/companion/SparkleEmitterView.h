#pragma once

#include <QColor>
#include <QList>
#include <QVariantAnimation>
#include <QWidget>

namespace meterix {

class CatRandomSource;

// One dot of a sparkle burst, placed by its offset from the view's centre.
struct SparkleParticle {
    int id = 0;
    double x = 0;
    double y = 0;
    QColor color;
    double size = 0; // diameter
    double opacity = 1;
    double scale = 0.1;
};

// A one-shot burst of twelve coloured dots: each appears at the centre, grows
// and flies out 12 to 28 pt at its own angle, fading out over 0.8 s. Plays once
// each time the view is shown; the faded dots stay.
class SparkleEmitterView : public QWidget {
    Q_OBJECT

  public:
    static constexpr int particleCount = 12;
    static constexpr double duration = 0.8;

    struct Burst {
        QList<SparkleParticle> start;
        QList<SparkleParticle> end;
    };

    explicit SparkleEmitterView(QWidget* parent = nullptr, CatRandomSource* random = nullptr);

    // The burst's first and last states, from the random source.
    static Burst makeBurst(CatRandomSource& random);
    // The state at a progress 0...1 of the eased flight.
    static QList<SparkleParticle> at(const Burst& burst, double progress);
    static const QList<QColor>& colors();

    const QList<SparkleParticle>& particles() const { return particles_; }
    bool isPlaying() const { return animation_.state() == QAbstractAnimation::Running; }

    QSize sizeHint() const override { return QSize(64, 64); }

  protected:
    void showEvent(QShowEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

  private:
    void emitParticles();

    CatRandomSource& random_;
    Burst burst_;
    QList<SparkleParticle> particles_;
    QVariantAnimation animation_;
};

} // namespace meterix
