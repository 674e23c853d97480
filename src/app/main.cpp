#include <QApplication>

#include "app/orlith_app.h"
#include "app/shell/single_instance.h"
#include "platform/process.h"

int main(int argc, char** argv) {
    // The connection list brings passwords: no core file may keep them.
    velmora::platform::KeepSecretsInProcess();
    QApplication application(argc, argv);
    // A second start hands its files to the running program and ends.
    parcelo::CSingleInstance instance;
    if (instance.HandOver(application.arguments().mid(1))) return 0;
    instance.Listen();
    parcelo::COrlithApp app(parcelo::COrlithApp::FindDefaultHome());
    QObject::connect(&instance, &parcelo::CSingleInstance::Activated,
                     [&app](const QStringList& files) { app.Activate(files); });
    app.InitInstance();
    return app.ExitInstance();
}
