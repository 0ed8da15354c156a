// The real prompts: message boxes and file dialogs as they open, each closed by the test itself.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QClipboard>
#include <QDialog>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QStyle>
#include <QStyleFactory>
#include <QTimer>
#include <functional>

#include "platform/qt/user_prompts.h"
#include "window_harness.h"

namespace vesperine::qt::testing {
namespace {

// Runs inspect on the modal dialog of type T once it is up; inspect must close it.
template <typename T>
void WhenModalOpens(const std::function<void(T*)>& inspect) {
    QTimer::singleShot(1, [inspect] {
        if (auto* dialog = qobject_cast<T*>(QApplication::activeModalWidget())) inspect(dialog);
        else WhenModalOpens<T>(inspect);
    });
}

TEST(DialogPrompts, AYesNoBoxHasNoIconAndGivesTheAnswer) {
    WindowHarness h;
    DialogPrompts prompts(&h.window);
    QMessageBox::Icon icon = QMessageBox::Critical;
    QString title;
    WhenModalOpens<QMessageBox>([&](QMessageBox* box) {
        icon = box->icon();
        title = box->windowTitle();
        box->button(QMessageBox::No)->click();
    });
    EXPECT_EQ(prompts.AskMessage(QStringLiteral("DetectCRC\nDo you want to save?"), QStringLiteral("Detect!"),
                                 MessageButtons::YesNo),
              MessageAnswer::No);
    EXPECT_EQ(icon, QMessageBox::NoIcon);
    EXPECT_EQ(title, QStringLiteral("Detect!"));
}

// Uses another style while it lives: whether a message box's text can be selected is, left to
// itself, each style's choice.
class StyleInUse {
public:
    explicit StyleInUse(const char* name) : previous_(QApplication::style()->name()) {
        QApplication::setStyle(QStyleFactory::create(QLatin1String(name)));
    }
    ~StyleInUse() { QApplication::setStyle(QStyleFactory::create(previous_)); }
    StyleInUse(const StyleInUse&) = delete;
    StyleInUse& operator=(const StyleInUse&) = delete;

private:
    QString previous_;
};

TEST(DialogPrompts, TheTextCanBeSelectedWithTheMouseAndCopiedInAnyStyle) {
    StyleInUse windows("Windows");  // a style that leaves a message box's text unselectable
    WindowHarness h;
    DialogPrompts prompts(&h.window);
    QWidget* focused = nullptr;
    QWidget* okButton = nullptr;
    QString selected;
    QString copied;
    WhenModalOpens<QMessageBox>([&](QMessageBox* box) {
        // The focus is given when the window system activates the box.
        EXPECT_TRUE(QTest::qWaitForWindowActive(box));
        focused = box->focusWidget();
        okButton = box->button(QMessageBox::Ok);
        auto* label = box->findChild<QLabel*>(QStringLiteral("qt_msgbox_label"));
        const QPoint start(1, label->height() / 2);
        const QPoint end(label->width() - 1, label->height() / 2);
        QTest::mousePress(label, Qt::LeftButton, {}, start);
        QTest::mouseMove(label, end);
        QTest::mouseRelease(label, Qt::LeftButton, {}, end);
        selected = label->selectedText();
        QApplication::clipboard()->clear();
        QTest::keyClick(label, Qt::Key_C, Qt::ControlModifier);
        copied = QApplication::clipboard()->text();
        if (focused) QTest::keyClick(focused, Qt::Key_Return);
        if (box->isVisible()) box->button(QMessageBox::Ok)->click();
    });
    EXPECT_EQ(
        prompts.AskMessage(QStringLiteral("File not found."), QStringLiteral("/roms/missing.bin"), MessageButtons::Ok),
        MessageAnswer::Ok);
    EXPECT_EQ(focused, okButton) << "Enter and Space still answer";
    EXPECT_EQ(selected, QStringLiteral("File not found."));
    EXPECT_EQ(copied, QStringLiteral("File not found."));
}

TEST(DialogPrompts, TheOpenDialogListsEveryFileAndWantsAnExistingOne) {
    WindowHarness h;
    DialogPrompts prompts(&h.window);
    QStringList filters;
    bool details = true;
    QFileDialog::FileMode mode = QFileDialog::AnyFile;
    WhenModalOpens<QFileDialog>([&](QFileDialog* dialog) {
        filters = dialog->nameFilters();
        details = !dialog->testOption(QFileDialog::HideNameFilterDetails);
        mode = dialog->fileMode();
        dialog->reject();
    });
    EXPECT_EQ(prompts.ChooseFile(FileChoice::Open), std::nullopt);
    EXPECT_EQ(filters, QStringList{QStringLiteral("All File(*.*) (*)")});
    EXPECT_FALSE(details) << "the list shows \"All File(*.*)\"";
    EXPECT_EQ(mode, QFileDialog::ExistingFile);
}

TEST(DialogPrompts, TheSaveDialogAsksBeforeReplacingAndOpensEmptyEachTime) {
    WindowHarness h;
    DialogPrompts prompts(&h.window);
    for (int round = 0; round < 2; ++round) {
        bool confirms = false;
        QString name = QStringLiteral("unset");
        WhenModalOpens<QFileDialog>([&](QFileDialog* dialog) {
            confirms = dialog->acceptMode() == QFileDialog::AcceptSave &&
                       !dialog->testOption(QFileDialog::DontConfirmOverwrite);
            name = dialog->findChild<QLineEdit*>() ? dialog->findChild<QLineEdit*>()->text() : QString();
            if (auto* box = dialog->findChild<QLineEdit*>()) box->setText(QStringLiteral("typed.bin"));
            dialog->reject();
        });
        EXPECT_EQ(prompts.ChooseFile(FileChoice::Save), std::nullopt);
        EXPECT_TRUE(confirms);
        EXPECT_EQ(name, QString()) << "round " << round;
    }
}

TEST(KeyFilter, KeysOfOtherWindowsNeverReachTheDialog) {
    WindowHarness h;
    QDialog other(&h.window);
    auto* edit = new QLineEdit(&other);
    other.show();
    edit->setFocus();
    QTest::keyClick(edit, Qt::Key_F1);
    QTest::keyClick(edit, Qt::Key_F4);
    EXPECT_TRUE(h.prompts.fileDialogs.empty());
}

}  // namespace
}  // namespace vesperine::qt::testing
