#pragma once

#include <QColor>
#include <QList>
#include <QWidget>

#include <functional>
#include <optional>

namespace meterix {

class SwitchToggleStyle;

// A settings line of the panel: a small gradient icon tile, a title over an
// optional subtitle, and a switch. The switch shows isOn and hands every flip
// to onChange; read aloud as the title with "On" or "Off".
class MenuToggleRow : public QWidget {
    Q_OBJECT

  public:
    MenuToggleRow(QString symbol, QList<QColor> colors, QString title, std::optional<QString> subtitle,
                  bool isOn, std::function<void(bool)> onChange, QWidget* parent = nullptr);

    static constexpr double spacing = 9;
    static constexpr double tileSize = 19;

    bool isOn() const;
    // The bound value changed elsewhere.
    void setOn(bool on);
    // The spoken value: the on or off text ("On" / "Off").
    static QString accessibleValue(bool on);

  Q_SIGNALS:
    void toggled(bool on);

  private:
    SwitchToggleStyle* switch_;
};

} // namespace meterix
