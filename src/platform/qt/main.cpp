// The vesperine program: one modal dialog, opened at start and closed to end.
#include "platform/qt/main_app.h"

int main(int argc, char** argv) {
    vesperine::qt::MainApp app(argc, argv);
    return app.Run();
}
