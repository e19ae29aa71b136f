#pragma once

#include <QWidget>

namespace meterix {

// A full-width hairline between rows, indented on the leading edge. Drawn only.
class RowSeparator : public QWidget {
    Q_OBJECT

public:
    explicit RowSeparator(double inset, QWidget* parent = nullptr);
    QSize sizeHint() const override { return QSize(int(inset_) + 1, 1); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    double inset_;
};

} // namespace meterix
