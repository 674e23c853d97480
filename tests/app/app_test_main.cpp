// The test program of the desktop program: real widgets on Qt's offscreen
// platform, and settings and data folders that never touch the user's own.

#include <cstdlib>
#include <mutex>

#include <gtest/gtest.h>
#include <QApplication>
#include <QDeadlineTimer>
#include <QLabel>
#include <QSettings>
#include <QTextDocument>
#include <QUrl>

#include "app_test_support.h"

namespace parcelo::test {
namespace {

std::mutex warningsLock;
std::vector<std::string> warnings;
std::string startConfig;

void RecordWarnings(QtMsgType type, const QMessageLogContext&, const QString& text) {
    if (type == QtDebugMsg || type == QtInfoMsg) return;
    // The offscreen platform's own limits are not the program's faults.
    if (text.startsWith("This plugin does not support")) return;
    std::lock_guard<std::mutex> lock(warningsLock);
    warnings.push_back(text.toStdString());
}

std::string Environment(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

void SetEnvironment(const char* name, const std::string& value) {
    if (value.empty()) {
        unsetenv(name);
    } else {
        setenv(name, value.c_str(), 1);
    }
}

}  // namespace

bool WaitFor(const std::function<bool()>& done, std::chrono::milliseconds bound) {
    const QDeadlineTimer deadline(bound.count());
    while (!done()) {
        if (deadline.hasExpired()) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 50);
    }
    return true;
}

void ProcessEvents() { QCoreApplication::processEvents(QEventLoop::AllEvents); }

std::vector<std::string> TakeQtWarnings() {
    std::lock_guard<std::mutex> lock(warningsLock);
    return std::exchange(warnings, {});
}

std::string StartConfigFolder() { return startConfig; }

QMimeData* FileDrop(const std::vector<std::string>& paths) {
    auto* data = new QMimeData;
    QList<QUrl> urls;
    for (const std::string& path : paths) urls << QUrl::fromLocalFile(QString::fromStdString(path));
    data->setUrls(urls);
    return data;
}

CUserFolders::CUserFolders()
    : m_strOldData(Environment("XDG_DATA_HOME")), m_strOldConfig(Environment("XDG_CONFIG_HOME")) {
    SetEnvironment("XDG_DATA_HOME", DataHome());
    SetEnvironment("XDG_CONFIG_HOME", ConfigHome());
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, QString::fromStdString(ConfigHome()));
}

CUserFolders::~CUserFolders() {
    SetEnvironment("XDG_DATA_HOME", m_strOldData);
    SetEnvironment("XDG_CONFIG_HOME", m_strOldConfig);
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, QString::fromStdString(startConfig));
}

void ExpectLabelsNameTheirFields(const QWidget& window) {
    for (const QLabel* label : window.findChildren<QLabel*>()) {
        // Rich text has no keys; its "&" starts an entity.
        if (label->text().contains('&') && !Qt::mightBeRichText(label->text())) {
            EXPECT_NE(label->buddy(), nullptr) << label->text().toStdString();
        }
    }
}

}  // namespace parcelo::test

// Under ThreadSanitizer: Qt is not instrumented, so its own locks are
// invisible and every hand-over inside Qt looks like a race. Races that
// involve only this program's and the library's code are still reported;
// that no widget is touched from a transfer thread is checked by the tests
// themselves (the widgets change only once the window thread runs).
extern "C" __attribute__((visibility("default"))) const char* __tsan_default_suppressions() {
    return "called_from_lib:libQt6Core.so\n"
           "called_from_lib:libQt6Gui.so\n"
           "called_from_lib:libQt6Widgets.so\n"
           "called_from_lib:libqoffscreen.so\n";
}

int main(int argc, char** argv) {
    if (std::getenv("QT_QPA_PLATFORM") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    velmora::test::TempDir home;
    parcelo::test::startConfig = home / "config";
    setenv("XDG_CONFIG_HOME", parcelo::test::startConfig.c_str(), 1);
    setenv("XDG_DATA_HOME", (home / "data").c_str(), 1);
    qInstallMessageHandler(parcelo::test::RecordWarnings);
    QApplication application(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
