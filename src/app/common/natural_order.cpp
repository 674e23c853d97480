#include "app/common/natural_order.h"

namespace parcelo {
namespace {

// The run of digits (or of other characters) that starts at `at`.
QStringView Run(const QString& text, qsizetype at) {
    const bool digits = text.at(at).isDigit();
    qsizetype end = at;
    while (end < text.size() && text.at(end).isDigit() == digits) ++end;
    return QStringView(text).mid(at, end - at);
}

// Digits by value: fewer significant digits is less; leading zeros aside.
int CompareNumbers(QStringView a, QStringView b) {
    while (a.size() > 1 && a.front() == u'0') a = a.mid(1);
    while (b.size() > 1 && b.front() == u'0') b = b.mid(1);
    if (a.size() != b.size()) return a.size() < b.size() ? -1 : 1;
    return a.compare(b);
}

}  // namespace

// Runs of digits compare by their value, other runs without regard to
// letter case; equal names so far fall back to the exact text.
int CompareNatural(const QString& a, const QString& b) {
    qsizetype i = 0;
    qsizetype j = 0;
    while (i < a.size() && j < b.size()) {
        const QStringView left = Run(a, i);
        const QStringView right = Run(b, j);
        const bool numbers = left.front().isDigit() && right.front().isDigit();
        const int order = numbers ? CompareNumbers(left, right) : left.compare(right, Qt::CaseInsensitive);
        if (order != 0) return order;
        i += left.size();
        j += right.size();
    }
    if (i < a.size() || j < b.size()) return i < a.size() ? 1 : -1;
    return a.compare(b);
}

}  // namespace parcelo
