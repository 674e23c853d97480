#pragma once

#include <QByteArray>
#include <QPoint>
#include <QString>
#include <QVariant>

class QSplitter;
class QWidget;

namespace parcelo {

// Window sizes, positions and splitter positions kept between runs, in the
// group "Windows" of the program's settings store (beside the design's
// "Settings" group, which it leaves alone).
class CWindowState {
public:
    static constexpr const char* kGroup = "Windows";

    // The window's saved size and position, kept fully on a screen that
    // exists now; false when none was saved.
    static bool RestoreGeometry(QWidget& window, const QString& name);
    static void SaveGeometry(const QWidget& window, const QString& name);

    // Every splitter below `root`, by its object name (unnamed ones are
    // left alone).
    static void RestoreSplitters(QWidget& root, const QString& name);
    static void SaveSplitters(const QWidget& root, const QString& name);

    static bool ReadPoint(const QString& name, QPoint& point);
    static void WritePoint(const QString& name, const QPoint& point);

private:
    static QVariant Value(const QString& key);
    static void SetValue(const QString& key, const QVariant& value);
};

}  // namespace parcelo
