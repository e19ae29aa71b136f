#pragma once

#include <QColor>
#include <QStringList>

namespace meterix {

struct CatColorPalette;

// One sprite frame: rows of cells, row 0 at the top, each character naming a
// colour role (B body, D dark, W white, P pink, E open eye, - closed eye; any
// other character is transparent).
struct PixelCatFrame {
    QStringList rows;

    PixelCatFrame() = default;
    explicit PixelCatFrame(QStringList r) : rows(std::move(r)) {}
    bool operator==(const PixelCatFrame&) const = default;

    // Cells across: the first row's length (16 when there are no rows); cells down.
    int columns() const { return rows.isEmpty() ? 16 : int(rows.constFirst().size()); }
    int lineCount() const { return int(rows.size()); }
};

// Whether a cell character is painted at all.
bool isFilledCell(QChar cell);
// The colour a cell character is painted with; invalid for transparent cells.
QColor cellColor(QChar cell, const CatColorPalette& palette);

} // namespace meterix
