#pragma once

#include <QList>
#include <QString>
#include <QWidget>

#include <optional>

class QVBoxLayout;

namespace meterix {

class TextView;

// A titled, grouped plate: an optional upper-case section title, a rounded plate
// holding the rows, and an optional footnote that wraps. With flushRows the rows
// sit without spacing and touch the plate's sides (for rows that draw their own
// insets and separators).
class InsetSection : public QWidget {
    Q_OBJECT

public:
    InsetSection(std::optional<QString> title, std::optional<QString> footnote, bool flushRows,
                 const QList<QWidget*>& content, QWidget* parent = nullptr);

    static constexpr double spacing = 5;
    static constexpr double rowSpacing = 8;
    static constexpr double plateMarginH = 10;
    static constexpr double plateMarginV = 9;
    static constexpr double flushMarginV = 4;

    QWidget* plate() const { return plate_; }

private:
    QWidget* plate_;
    TextView* title_ = nullptr;
    TextView* footnote_ = nullptr;
};

} // namespace meterix
