// MainApp: the application's title and icon, and the modal run of MainDialog on the Qt host.
#include "platform/qt/main_app.h"

#include <QFileInfo>
#include <QTimer>

#include "app/main_dialog.h"
#include "platform/native_file_system.h"
#include "platform/qt/app_icon.h"
#include "platform/qt/code_page_text.h"
#include "platform/qt/inspector/inspector_window.h"
#include "platform/qt/main_window.h"
#include "platform/qt/qt_host.h"
#include "platform/qt/user_prompts.h"

namespace vesperine::qt {

MainApp::MainApp(int& argc, char** argv) : app_(argc, argv) {
    // The title of every message box without a caption of its own: the program file's name
    // without its extension.
    QApplication::setApplicationName(QFileInfo(QString::fromLocal8Bit(argv[0])).baseName());
    QApplication::setDesktopFileName(QStringLiteral("vesperine"));
    // Where QSettings keeps what the Inspector remembers: ~/.config/Vesperine/ on Linux.
    QApplication::setOrganizationName(QStringLiteral("Vesperine"));
    QApplication::setWindowIcon(AppIcon());
}

int MainApp::Run(const StartFiles& startFiles) {
    MainWindow window;
    DialogPrompts prompts(&window);
    QtHost host(window, prompts, CodePageOfLocale());
    NativeFileSystem files;
    MainDialog dialog(host, files);
    window.Attach(dialog);
    window.EnableInspector(files);
    QueueStartFiles(window, dialog, startFiles);
    window.RunModal();
    return 0;
}

int MainApp::RunInspector(const std::vector<std::string>& paths) {
    NativeFileSystem files;
    inspector::InspectorWindow window(nullptr, files);
    window.show();
    QTimer::singleShot(0, &window, [&window, paths] {
        for (const std::string& path : paths) window.InspectFile(path);
    });
    return QApplication::exec();
}

void QueueStartFiles(MainWindow& window, MainDialog& dialog, const StartFiles& files) {
    if (!files.base && !files.mask) return;
    QTimer::singleShot(0, &window, [&dialog, files] {
        // The two loads stand apart, as two dialogs would: a refused base file does not keep
        // the mask file from loading.
        if (files.base) dialog.LoadBaseFileFrom(*files.base);
        if (files.mask) dialog.LoadMaskFileFrom(*files.mask);
    });
}

}  // namespace vesperine::qt
