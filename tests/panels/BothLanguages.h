#pragma once

// The panels' tests run every case in Korean and in English, on the light look.

#include "core/Localization.h"
#include "platform/ui/Appearance.h"
#include "support/Speaking.h"
#include "support/gui/Looks.h"

#include <QString>

#include <gtest/gtest.h>

namespace meterix::test {

class BothLanguages : public ::testing::TestWithParam<ResolvedLanguage> {
  public:
    static std::string languageName(const ::testing::TestParamInfo<ResolvedLanguage>& info) {
        return info.param == ResolvedLanguage::korean ? "Korean" : "English";
    }

  protected:
    void SetUp() override {
        Localization::shared(); // made first: making it later resolves the language anew
        test::speak(GetParam());
        test::showLook(Appearance::Scheme::light);
    }
    void TearDown() override {
        test::speak();
        test::showLook(std::nullopt);
    }
    bool korean() const { return GetParam() == ResolvedLanguage::korean; }
    QString pick(const char* ko, const char* en) const { return QString::fromUtf8(korean() ? ko : en); }
};

} // namespace meterix::test

// Runs a suite built on BothLanguages in both languages.
#define METERIX_IN_BOTH_LANGUAGES(suite)                                                                     \
    INSTANTIATE_TEST_SUITE_P(BothLanguages, suite,                                                           \
                             ::testing::Values(ResolvedLanguage::korean, ResolvedLanguage::english),         \
                             ::meterix::test::BothLanguages::languageName)
