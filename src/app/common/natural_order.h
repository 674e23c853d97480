#pragma once

#include <QString>

namespace parcelo {

// Names compared as people count: "f2" before "f10", letter case aside
// (the system's collation may not know numbers). Negative, zero or
// positive, as QString::compare.
int CompareNatural(const QString& a, const QString& b);

}  // namespace parcelo
