#pragma once

#include "core/AIProviderType.h"
#include "panels/MenuSubScreen.h"

#include <QList>

namespace meterix {

class CatBreedSwatchPicker;
class LanguageSegmentedPicker;
class Localization;
class MenuCommandRow;
class MenuToggleRow;
class ProviderToggleRow;
class TextView;

// The panel's settings: which providers have a segment on the bar, account
// detection with its masking switch and the places accounts were found,
// haptics and sound, eye tracking, the cat and its coat, and the language.
// Every control writes straight into the settings or calls the service that
// owns the behaviour, and the screen follows those objects' signals, so a
// change made anywhere shows here at once. It keeps no state of its own.
class MenuBarSettingsScreen : public MenuSubScreen {
    Q_OBJECT

  public:
    explicit MenuBarSettingsScreen(MenuScreenContext context, Localization* localization = nullptr,
                                   QWidget* parent = nullptr);

    static constexpr double spacing = 14;
    static constexpr double separatorInset = 28;

    // For tests and the panel's keyboard: the parts by what they do.
    ProviderToggleRow* providerRow(AIProviderType provider) const;
    MenuToggleRow* accountDetectionRow() const { return detection_; }
    MenuToggleRow* maskRow() const { return mask_; }
    MenuCommandRow* rescanRow() const { return rescan_; }
    QWidget* sourceList() const { return sources_; }
    TextView* noAccountsText() const { return noAccounts_; }
    MenuToggleRow* soundRow() const { return sound_; }
    MenuToggleRow* eyeTrackingRow() const { return eyes_; }
    MenuToggleRow* catRow() const { return cat_; }
    QWidget* coatPicker() const { return coat_; }
    TextView* coatName() const { return coatName_; }
    CatBreedSwatchPicker* swatches() const { return swatches_; }
    LanguageSegmentedPicker* languagePicker() const { return language_; }

  protected:
    void build() override;

  private:
    QWidget* providerSection();
    QWidget* accountSection();
    QWidget* experienceSection();
    QWidget* languageSection();
    void syncProviders();
    void syncAccounts();
    void syncSources();
    void syncExperience();
    void rescan();

    Localization* localization_;
    QList<ProviderToggleRow*> providerRows_;
    MenuToggleRow* detection_ = nullptr;
    MenuToggleRow* mask_ = nullptr;
    QList<QWidget*> detectionDependents_;
    QWidget* sources_ = nullptr;
    TextView* noAccounts_ = nullptr;
    MenuCommandRow* rescan_ = nullptr;
    MenuToggleRow* sound_ = nullptr;
    MenuToggleRow* eyes_ = nullptr;
    MenuToggleRow* cat_ = nullptr;
    QWidget* coat_ = nullptr;
    QWidget* coatSeparator_ = nullptr;
    TextView* coatName_ = nullptr;
    CatBreedSwatchPicker* swatches_ = nullptr;
    LanguageSegmentedPicker* language_ = nullptr;
    QWidget* content_ = nullptr;
};

} // namespace meterix
