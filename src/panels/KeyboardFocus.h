#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>
#include <QWindow>

#include <functional>

namespace meterix {

// The panel used by keyboard alone. Within a root widget the keys reach every
// button that is shown and enabled and is not part of another (a row's own
// views are the row's), in the order they are seen: top to bottom, then left to
// right. Tab and Down move to the next, Shift-Tab and Up to the one before
// (round at either end), Enter presses the one with focus and Space does so as
// any button does; a control scrolled out of sight is scrolled into it. The
// control with focus carries a ring in the accent colour on its own outline
// (its radius from the "focusRingRadius" property when it sets one). Focus
// moves only by these keys, so a ring is only ever shown to a keyboard user.
// When the control with focus goes (its screen rebuilt with a new reading),
// focus goes to the control in its place in the order.
class KeyboardFocus : public QObject {
    Q_OBJECT

  public:
    // Follows the keys sent to root's window from now on; they move through
    // the controls of scope's widget (root itself unless given).
    explicit KeyboardFocus(QWidget* root, std::function<QWidget*()> scope = {});
    ~KeyboardFocus() override;

    static constexpr double ringWidth = 2;
    static constexpr const char* radiusProperty = "focusRingRadius";
    // Set true on a button that does nothing (a plain line): the keys pass it by.
    static constexpr const char* passedByProperty = "keyboardPassesBy";

    // The controls the keys reach in root, in their order.
    static QList<QWidget*> chain(const QWidget* root);
    // Moves focus to the next control (or the one before); false without any.
    static bool move(QWidget* root, bool forward);
    // Gives focus to root's first control; false without any.
    static bool focusFirst(QWidget* root);
    // Whether focus is on a control inside root.
    static bool holdsFocus(const QWidget* root);
    // The ring's rectangle for a control, in its own coordinates.
    static QRectF ringRect(const QWidget* control);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    bool handleKey(QKeyEvent* key);
    void paintRing(QWidget* control);
    void followFocus(QWidget* old, QWidget* now);
    void restore();

    QWidget* scope() const;
    void watchWindow();

    QPointer<QWidget> root_;
    std::function<QWidget*()> scope_;
    QPointer<QWindow> window_;
    QPointer<QWidget> ringed_;
    QPointer<QWidget> lost_; // the control focus last left
    bool painting_ = false;
    qsizetype lastIndex_ = -1; // where in the order focus last was
};

} // namespace meterix
