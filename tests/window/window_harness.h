// The real window, opened offscreen on the Qt host with scripted prompts and an in-memory file system.
#pragma once

#include <QApplication>
#include <QTest>
#include <string>

#include "app/main_dialog.h"
#include "platform/qt/main_window.h"
#include "platform/qt/qt_host.h"
#include "scripted_prompts.h"
#include "support/fake_file_system.h"

namespace vesperine::qt::testing {

struct WindowHarness {
    ScriptedPrompts prompts;
    vesperine::testing::FakeFileSystem files;
    MainWindow window;
    QtHost host;
    MainDialog dialog{host, files};

    explicit WindowHarness(int codePage = 1252) : host(window, prompts, codePage) {
        host.SetProgressDelay(0);
        window.Attach(dialog);
        window.Open();
        QApplication::setActiveWindow(&window);
    }

    template <typename T = QWidget>
    [[nodiscard]] T* W(int id) const {
        return qobject_cast<T*>(window.Control(id));
    }
    [[nodiscard]] std::string Text(int id) const { return host.ControlText(id); }

    // Loads bytes as the base file through the menu item and the (scripted) file dialog.
    void LoadBase(const Bytes& bytes, const std::string& path = "/roms/base.bin") {
        files.files[path] = bytes;
        prompts.files.push_back(QString::fromStdString(path));
        window.MenuAction(ids::kMenuLoadBase)->trigger();
    }

    // A key pressed and released while control id has the focus.
    void Key(int id, Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QWidget* control = window.Control(id);
        control->setFocus();
        QTest::keyClick(control, key, modifiers);
    }
};

}  // namespace vesperine::qt::testing
