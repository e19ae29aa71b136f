#pragma once

#include "core/UsageTier.h"

#include <QList>
#include <QString>

namespace meterix {

// One of the maker's other products, in the language resolved when it was made.
struct MakerProduct {
    enum class Category { iOS, web, crypto };

    QString id;
    QString name;
    QString summary;
    Category category = Category::web;
    bool isExperimental = false;

    // The category's two tile colours, top first, and the row's symbol.
    static QList<Rgb> colors(Category category);
    static QString symbol(Category category);
};

// The about screen's data: the maker's products (none has a public page).
namespace MakerShowcase {

// Built anew on each call, so names and summaries follow the language.
QList<MakerProduct> products();
// The products that are not experimental.
int liveCount();
// A count as two digits ("04").
QString twoDigits(int n);

} // namespace MakerShowcase

} // namespace meterix
