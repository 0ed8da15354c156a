// MainApp: the one application object; it opens MainDialog modally and ends when it closes.
#pragma once

#include <QApplication>
#include <string>
#include <vector>

#include "platform/qt/command_line.h"

namespace vesperine {
class MainDialog;
}

namespace vesperine::qt {

class MainWindow;

class MainApp {
public:
    MainApp(int& argc, char** argv);
    // Runs the dialog to its end, loading files first once it shows. The exit status, which
    // nothing examines, is 0.
    int Run(const StartFiles& files);
    // The Inspector alone, on the files given (absolute paths), until it is closed.
    int RunInspector(const std::vector<std::string>& paths);

private:
    QApplication app_;
};

// Loads the start files into dialog as soon as window's event loop runs (after its
// OnInitDialog): the base file, then the mask file, each as if chosen in its open dialog,
// so a refusal shows its message over the open window.
void QueueStartFiles(MainWindow& window, MainDialog& dialog, const StartFiles& files);

}  // namespace vesperine::qt
