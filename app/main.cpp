#include "app/command_line.h"
#include "app/tresvik_app.h"

int main(int argc, char** argv) {
    if (const std::optional<int> status = tresvik::answerCommandLine(argc, argv)) {
        return *status;
    }
    tresvik::CTresvikApp::selectPlatform();
    tresvik::CTresvikApp app(argc, argv);
    return app.InitInstance();
}
