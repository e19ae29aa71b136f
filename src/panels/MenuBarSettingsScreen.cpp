#include "panels/MenuBarSettingsScreen.h"

#include "accounts/AccountRegistry.h"
#include "core/L10n.h"
#include "core/Localization.h"
#include "core/MeterixPreferences.h"
#include "design/IconTile.h"
#include "design/InsetSection.h"
#include "design/MeterixFont.h"
#include "design/RowSeparator.h"
#include "design/Surface.h"
#include "design/TextView.h"
#include "panels/CatBreedSwatchPicker.h"
#include "panels/LanguageSegmentedPicker.h"
#include "panels/MenuBarNavigator.h"
#include "panels/MenuCommandRow.h"
#include "panels/MenuScreenHeader.h"
#include "panels/MenuToggleRow.h"
#include "panels/ProviderToggleRow.h"
#include "panels/SettingsModel.h"
#include "panels/TextCapsuleBadge.h"
#include "refresh/ProviderManager.h"

#include <QDir>
#include <QHBoxLayout>
#include <QVBoxLayout>

#include <memory>
#include <utility>

namespace meterix {

namespace {

QFont titleFont() {
    return MeterixFont::rounded(11.5, QFont::Medium);
}

// A tile, a title and (optionally) something at the far end, on one line.
QHBoxLayout* titledLine(const QString& symbol, const QList<Rgb>& colors, const QString& title,
                        QWidget* parent) {
    auto* line = new QHBoxLayout();
    line->setContentsMargins(0, 0, 0, 0);
    line->setSpacing(9);
    line->addWidget(new IconTile(symbol, toQColors(colors), 19, parent), 0, Qt::AlignVCenter);
    line->addWidget(new TextView(
                        title, titleFont(), [] { return LabelColor::primary(); }, false, parent),
                    0, Qt::AlignVCenter);
    line->addStretch(1);
    return line;
}

QWidget* indented(QWidget* child, QWidget* parent) {
    auto* box = new QWidget(parent);
    auto* l = new QHBoxLayout(box);
    l->setContentsMargins(int(MenuBarSettingsScreen::separatorInset), 0, 0, 0);
    l->addWidget(child);
    return box;
}

// One place accounts were found: its kind's tile, its name over its folder
// (home as "~", cut at the head), and its kind's badge. A profile folder may be
// named after an address: the source comes as masking has it.
QWidget* sourceRow(Localization& localization, const AccountSource& source, QWidget* parent) {
    auto* row = new QWidget(parent);
    auto* line = new QHBoxLayout(row);
    line->setContentsMargins(0, 2, 0, 2);
    line->setSpacing(9);
    line->addWidget(new IconTile(symbol(source.kind), toQColors(SettingsModel::greenTile()), 19, row), 0,
                    Qt::AlignVCenter);
    auto* texts = new QVBoxLayout();
    texts->setSpacing(1);
    texts->addWidget(new TextView(
        source.displayName, titleFont(), [] { return LabelColor::primary(); }, false, row));
    if (source.rootPath) {
        auto* path = new TextView(
            SettingsModel::abbreviateHome(*source.rootPath, QDir::homePath()),
            MeterixFont::rounded(9, QFont::Medium), [] { return LabelColor::tertiary(); }, false, row);
        path->setElideMode(Qt::ElideLeft);
        texts->addWidget(path);
    }
    line->addLayout(texts, 1);
    line->addSpacing(6);
    const QString badge = badgeText(source.kind);
    line->addWidget(new TextCapsuleBadge(
                        localization, [badge] {
                            return TextCapsuleBadge::plain(badge, MeterixFont::rounded(8.5, QFont::Bold),
                                                           LabelColor::secondary(), Surface::hoverWash(), 4.5,
                                                           1.5);
                        },
                        row),
                    0, Qt::AlignVCenter);
    row->setAccessibleName(source.displayName + QStringLiteral(", ") + badgeText(source.kind));
    return row;
}

} // namespace

MenuBarSettingsScreen::MenuBarSettingsScreen(MenuScreenContext context, Localization* localization,
                                             QWidget* parent)
    : MenuSubScreen(std::move(context), spacing, parent),
      localization_(localization ? localization : context_.localization) {
    build();

    // Every text follows the language: build the screen anew in it.
    connect(localization_, &Localization::preferenceChanged, this, [this] { rebuild(); });
    if (ProviderManager* m = context_.manager) {
        using Delivery = PresentedState::Delivery;
        // Detection may ask the adapters (files on disk): the rows follow only
        // the two fields they show, not every filing.
        using Providers = std::pair<QList<AIProviderType>, QSet<AIProviderType>>;
        PresentedState::observeShown<Providers>(
            *m, context_.preferences, this, [m] { return Providers(m->activeProviders(), m->detectedProviders()); },
            [this](const Providers&) { syncProviders(); }, Delivery::atOnce);
        // The connected providers read without an account come with readings.
        PresentedState::observeShown<QList<AccountSource>>(
            *m, context_.preferences, this,
            [this] { return context_.connected(context_.presentedState()).withoutAccount; },
            [this](const QList<AccountSource>&) { syncSources(); }, Delivery::atOnce);
    }
    if (AccountRegistry* r = context_.accounts) {
        connect(r, &AccountRegistry::accountsByProviderChanged, this, &MenuBarSettingsScreen::syncSources);
        connect(r, &AccountRegistry::isScanningChanged, this, [this] {
            if (rescan_) rescan_->setBusy(context_.accounts->isScanning());
        });
    }
    if (MeterixPreferences* p = context_.preferences) {
        for (auto signal :
             {&MeterixPreferences::accountScanEnabledChanged, &MeterixPreferences::maskAccountEmailsChanged})
            connect(p, signal, this, &MenuBarSettingsScreen::syncAccounts);
        for (auto signal :
             {&MeterixPreferences::soundEnabledChanged, &MeterixPreferences::eyeTrackingEnabledChanged,
              &MeterixPreferences::pixelCatEnabledChanged, &MeterixPreferences::pixelCatBreedRawChanged})
            connect(p, signal, this, &MenuBarSettingsScreen::syncExperience);
    }
}

void MenuBarSettingsScreen::build() {
    providerRows_.clear();
    detectionDependents_.clear();
    QVBoxLayout* column = beginContent(L10n::settings().text());
    content_ = content();
    column->addWidget(providerSection());
    column->addWidget(accountSection());
    column->addWidget(experienceSection());
    column->addWidget(languageSection());
    endContent(column);
    syncProviders();
    syncAccounts();
    syncExperience();
}

QWidget* MenuBarSettingsScreen::providerSection() {
    QList<QWidget*> rows;
    for (AIProviderType p : allProviderTypes()) {
        if (!rows.isEmpty()) rows.append(new RowSeparator(separatorInset));
        auto* row = new ProviderToggleRow(*localization_, SettingsModel::ProviderToggle{.provider = p}, [this, p] {
            if (context_.manager) context_.manager->toggleProvider(p);
            // The manager announces a real change; a refused one needs the
            // switch put back all the same.
            syncProviders();
        });
        row->setObjectName(QStringLiteral("providerRow:") + rawValue(p));
        providerRows_.append(row);
        rows.append(row);
    }
    return new InsetSection(L10n::providersOnBar().text(), L10n::providersOnBarFootnote().text(), false, rows,
                            content_);
}

void MenuBarSettingsScreen::syncProviders() {
    const QList<AIProviderType> active =
        context_.manager ? context_.manager->activeProviders() : QList<AIProviderType>{};
    for (ProviderToggleRow* row : providerRows_) {
        const AIProviderType p = row->state().provider;
        const bool detected = context_.manager && context_.manager->isProviderDetected(p);
        row->setState(SettingsModel::ProviderToggle::make(p, active, detected));
    }
}

QWidget* MenuBarSettingsScreen::accountSection() {
    MeterixPreferences* prefs = context_.preferences;
    const bool scanning = prefs && prefs->accountScanEnabled();
    detection_ = new MenuToggleRow(QStringLiteral("person.crop.circle"),
                                   toQColors(SettingsModel::greenTile()), L10n::accountDetection().text(),
                                   L10n::accountDetectionSubtitle().text(), scanning, [this](bool on) {
                                       if (context_.preferences)
                                           context_.preferences->setAccountScanEnabled(on);
                                       rescan();
                                   });
    detection_->setObjectName(QStringLiteral("accountDetectionRow"));
    mask_ = new MenuToggleRow(QStringLiteral("eye.slash"), toQColors(SettingsModel::accentTile()),
                              L10n::maskEmail().text(), L10n::maskEmailSubtitle().text(),
                              prefs && prefs->maskAccountEmails(), [this](bool on) {
                                  if (context_.preferences) context_.preferences->setMaskAccountEmails(on);
                              });
    mask_->setObjectName(QStringLiteral("maskRow"));
    sources_ = new QWidget(content_);
    sources_->setObjectName(QStringLiteral("sourceList"));
    auto* list = new QVBoxLayout(sources_);
    list->setContentsMargins(0, 0, 0, 0);
    list->setSpacing(int(InsetSection::rowSpacing));
    noAccounts_ = new TextView(
        L10n::noAccountsDetected().text(), MeterixFont::rounded(10.5, QFont::Medium),
        [] { return LabelColor::secondary(); }, false, content_);
    noAccounts_->setObjectName(QStringLiteral("noAccountsText"));
    noAccounts_->setContentsMargins(int(separatorInset), 3, 0, 3);
    rescan_ =
        new MenuCommandRow(*context_.appearance, L10n::scanAgain().text(), QStringLiteral("arrow.clockwise"),
                           std::nullopt, std::nullopt, false, MenuRowRole::standard,
                           context_.accounts && context_.accounts->isScanning(), [this] {
                               rescan();
                           });
    rescan_->setObjectName(QStringLiteral("rescanRow"));
    auto* sep1 = new RowSeparator(separatorInset);
    auto* sep2 = new RowSeparator(separatorInset);
    detectionDependents_ = {sep1, mask_, sep2, sources_, noAccounts_, rescan_};
    return new InsetSection(L10n::accounts().text(), L10n::accountsFootnote().text(), false,
                            {detection_, sep1, mask_, sep2, sources_, noAccounts_, rescan_}, content_);
}

void MenuBarSettingsScreen::rescan() {
    // Scan, then watch the folders found, then mark the running apps' accounts.
    if (context_.manager)
        context_.manager->rescanAccounts();
    else if (context_.accounts)
        context_.accounts->refreshAccounts();
}

void MenuBarSettingsScreen::syncAccounts() {
    const bool scanning = context_.preferences && context_.preferences->accountScanEnabled();
    if (detection_) detection_->setOn(scanning);
    if (mask_) mask_->setOn(context_.preferences && context_.preferences->maskAccountEmails());
    for (QWidget* w : std::as_const(detectionDependents_))
        w->setVisible(scanning);
    syncSources();
}

void MenuBarSettingsScreen::syncSources() {
    if (!sources_) return;
    // The places accounts were found, then the connected providers read
    // without one: the same rule as the header's count.
    const QList<AccountSource> found =
        context_.presentedSources() + context_.connected(context_.presentedState()).withoutAccount;
    for (QWidget* old : sources_->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly))
        delete old;
    for (const AccountSource& s : found)
        sources_->layout()->addWidget(sourceRow(*localization_, s, sources_));
    const bool scanning = context_.preferences && context_.preferences->accountScanEnabled();
    sources_->setVisible(scanning && !found.isEmpty());
    noAccounts_->setVisible(scanning && found.isEmpty());
    updateGeometry();
}

QWidget* MenuBarSettingsScreen::experienceSection() {
    MeterixPreferences* prefs = context_.preferences;
    sound_ = new MenuToggleRow(QStringLiteral("speaker.wave.2.fill"), toQColors(SettingsModel::amberTile()),
                               L10n::soundEffects().text(), L10n::soundEffectsSubtitle().text(),
                               prefs && prefs->soundEnabled(), [this](bool on) {
                                   if (context_.preferences) context_.preferences->setSoundEnabled(on);
                               });
    sound_->setObjectName(QStringLiteral("soundRow"));
    eyes_ = new MenuToggleRow(QStringLiteral("eyes"), toQColors(SettingsModel::purpleTile()),
                              L10n::eyeTracking().text(), L10n::eyeTrackingSubtitle().text(),
                              prefs && prefs->eyeTrackingEnabled(), [this](bool on) {
                                  if (context_.preferences) context_.preferences->setEyeTrackingEnabled(on);
                              });
    eyes_->setObjectName(QStringLiteral("eyeTrackingRow"));
    cat_ = new MenuToggleRow(QStringLiteral("cat.fill"), toQColors(SettingsModel::amberTile()),
                             L10n::pixelCat().text(), L10n::pixelCatSubtitle().text(),
                             prefs && prefs->pixelCatEnabled(), [this](bool on) {
                                 if (context_.preferences) context_.preferences->setPixelCatEnabled(on);
                             });
    cat_->setObjectName(QStringLiteral("catRow"));

    coat_ = new QWidget(content_);
    coat_->setObjectName(QStringLiteral("coatPicker"));
    auto* coatColumn = new QVBoxLayout(coat_);
    coatColumn->setContentsMargins(0, 0, 0, 0);
    coatColumn->setSpacing(7);
    QHBoxLayout* line = titledLine(QStringLiteral("pawprint.fill"), SettingsModel::amberTile(),
                                   L10n::coatColor().text(), coat_);
    coatName_ = new TextView(
        QString(), MeterixFont::rounded(10.5, QFont::DemiBold), [] { return LabelColor::secondary(); }, false,
        coat_);
    coatName_->setObjectName(QStringLiteral("coatName"));
    line->addSpacing(6);
    line->addWidget(coatName_, 0, Qt::AlignVCenter);
    coatColumn->addLayout(line);
    swatches_ = new CatBreedSwatchPicker(
        [this] {
            return context_.preferences ? context_.preferences->pixelCatBreed() : PixelCatBreed::orangeTabby;
        },
        [this](PixelCatBreed b) {
            // Stores the coat's name and tells every observer, so the cat
            // redraws in it at once.
            if (context_.preferences) context_.preferences->setPixelCatBreed(b);
        },
        coat_);
    swatches_->setObjectName(QStringLiteral("swatches"));
    coatColumn->addWidget(indented(swatches_, coat_));

    QList<QWidget*> rows{sound_, new RowSeparator(separatorInset), eyes_, new RowSeparator(separatorInset),
                         cat_};
    auto* coatSeparator = new RowSeparator(separatorInset);
    rows << coatSeparator << coat_;
    coatSeparator_ = coatSeparator;
    return new InsetSection(L10n::experienceSection().text(), std::nullopt, false, rows, content_);
}

void MenuBarSettingsScreen::syncExperience() {
    MeterixPreferences* prefs = context_.preferences;
    if (!prefs || !sound_) return;
    sound_->setOn(prefs->soundEnabled());
    eyes_->setOn(prefs->eyeTrackingEnabled());
    cat_->setOn(prefs->pixelCatEnabled());
    coat_->setVisible(prefs->pixelCatEnabled());
    if (coatSeparator_) coatSeparator_->setVisible(prefs->pixelCatEnabled());
    coatName_->setText(displayName(prefs->pixelCatBreed()));
    swatches_->refresh();
}

QWidget* MenuBarSettingsScreen::languageSection() {
    auto* box = new QWidget(content_);
    auto* column = new QVBoxLayout(box);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(7);
    column->addLayout(
        titledLine(QStringLiteral("globe"), SettingsModel::accentTile(), L10n::language().text(), box));
    Localization* loc = localization_;
    language_ = new LanguageSegmentedPicker(
        [loc] { return loc->preference(); },
        [loc](AppLanguage l) { AppLanguageController::apply(*loc, l); }, box);
    language_->setObjectName(QStringLiteral("languagePicker"));
    column->addWidget(indented(language_, box));
    return new InsetSection(L10n::language().text(), L10n::languageFootnote().text(), false, {box}, content_);
}

} // namespace meterix
