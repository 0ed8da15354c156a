// MainApp: the one application object; it opens MainDialog modally and ends when it closes.
#pragma once

#include <QApplication>

namespace vesperine::qt {

class MainApp {
public:
    MainApp(int& argc, char** argv);
    // Runs the dialog to its end. The exit status, which nothing examines, is 0.
    int Run();

private:
    QApplication app_;
};

}  // namespace vesperine::qt
