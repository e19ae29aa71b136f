#pragma once

#include "core/Localization.h"

#include <QAbstractButton>
#include <QList>
#include <QWidget>

#include <functional>

namespace meterix {

class PressableButton;

// The display language as three equal segments (follow the system, Korean,
// English) on a washed track. A click writes the binding, also when that
// segment is already selected; what the write sets off is the caller's.
class LanguageSegmentedPicker : public QWidget {
    Q_OBJECT

  public:
    LanguageSegmentedPicker(std::function<AppLanguage()> get,
                            std::function<void(AppLanguage)> set, QWidget* parent = nullptr);

    AppLanguage selection() const { return get_(); }
    // The segment of a language (system, Korean, English in that order).
    QAbstractButton* segment(AppLanguage language) const;
    std::optional<AppLanguage> hovered() const { return hovered_; }

    // Re-reads the binding and the texts (after a change of selection or language).
    void refresh();

    static constexpr double margin = 2.5;
    static constexpr double gap = 4;

    QSize sizeHint() const override;

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    friend class LanguageSegment;
    void pick(AppLanguage language);
    void setHovered(std::optional<AppLanguage> language);
    void layoutSegments();

    std::function<AppLanguage()> get_;
    std::function<void(AppLanguage)> set_;
    QList<PressableButton*> segments_;
    std::optional<AppLanguage> hovered_;
};

} // namespace meterix
