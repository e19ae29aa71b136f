#pragma once

#include <QStringView>

namespace meterix {

// Whether path is folder itself or lies below it: folder followed by "/" (a
// trailing "/" of folder is not doubled). Plain text comparison, nothing
// resolved; an empty folder contains nothing, so it can never claim every path.
bool isSameOrInsideFolder(QStringView path, QStringView folder);

} // namespace meterix
