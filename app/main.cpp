#include "app/tresvik_app.h"

int main(int argc, char** argv) {
    tresvik::CTresvikApp::selectPlatform();
    tresvik::CTresvikApp app(argc, argv);
    return app.InitInstance();
}
