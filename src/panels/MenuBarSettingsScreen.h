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
