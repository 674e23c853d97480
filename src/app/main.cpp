#include <QApplication>

#include "app/orlith_app.h"

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    parcelo::COrlithApp app(parcelo::COrlithApp::FindDefaultHome());
    app.InitInstance();
    return app.ExitInstance();
}
