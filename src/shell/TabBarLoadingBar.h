#pragma once

#include <QColor>
#include <QTimer>
#include <QVariantAnimation>
#include <QWidget>

namespace meterix {

class Appearance;

class EndlessPulse;

// The thin strip along the bar's bottom edge while usage is being refreshed: a
// faint track and a bright sweep that runs from beyond the leading edge to
// beyond the trailing edge, over and over (standing still at a quarter of the
// width when the desktop asks for reduced motion). It fades in and out and is
// hidden, with no timer running, while nothing refreshes. A refresh that ends
// within a moment (the usual poll of local files) shows nothing at all: the
// strip would only flicker, and repaint the bar for it.
class TabBarLoadingBar : public QWidget {
    Q_OBJECT

public:
    // appearance: reduced motion holds the sweep still.
    explicit TabBarLoadingBar(const Appearance& appearance, QWidget* parent = nullptr);

    static constexpr double stripHeight = 2;
    static constexpr double sideInset = 12;
    static constexpr double bottomInset = 1.5;
    // How long a refresh runs before the strip comes up.
    static constexpr int showDelayMs = 350;

    bool isRefreshing() const { return refreshing_; }
    void setRefreshing(bool refreshing);
    const QColor& tint() const { return tint_; }
    void setTint(const QColor& tint);

    // The sweep's leading edge as a share of the width, now.
    double sweepOffset() const;
    // The sweep's width for a strip width.
    static double sweepWidth(double width) { return std::max(width * 0.5, 35.0); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    const Appearance& appearance_;
    bool refreshing_ = false;
    QColor tint_;
    double shown_ = 0;
    void fadeTo(bool shown);

    QVariantAnimation fade_;
    QTimer showDelay_;
    EndlessPulse* sweep_;
};

} // namespace meterix
