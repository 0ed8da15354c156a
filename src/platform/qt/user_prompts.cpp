// DialogPrompts: the modal message boxes and file dialogs of the real program.
#include "platform/qt/user_prompts.h"

#include <QFileDialog>
#include <QMessageBox>

namespace vesperine::qt {

namespace {
// Qt reads the patterns from the last parentheses: "*" lists every file, and with the
// details hidden the list shows the description alone, "All File(*.*)".
const char* const kFilter = "All File(*.*) (*)";
}  // namespace

MessageAnswer DialogPrompts::AskMessage(const QString& text, const QString& caption, MessageButtons buttons) {
    QMessageBox box(QMessageBox::NoIcon, caption, text,
                    buttons == MessageButtons::Ok ? QMessageBox::Ok : QMessageBox::Yes | QMessageBox::No, owner_);
    // People copy an error's words into a report: the text is selectable with the mouse and
    // the keyboard and Ctrl+C copies it, whatever the style would choose. The focus stays on
    // the button, so Enter and Space still answer.
    box.setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    const int answer = box.exec();
    if (buttons == MessageButtons::Ok) return MessageAnswer::Ok;
    return answer == QMessageBox::Yes ? MessageAnswer::Yes : MessageAnswer::No;
}

std::optional<QString> DialogPrompts::ChooseFile(FileChoice choice) {
    // A new dialog each time, so the name box opens empty.
    QFileDialog dialog(owner_);
    dialog.setNameFilter(QString::fromLatin1(kFilter));
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    if (choice == FileChoice::Open) {
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(QFileDialog::ExistingFile);
    } else {
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);  // asks before replacing: no DontConfirmOverwrite
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return dialog.selectedFiles().constFirst();
}

}  // namespace vesperine::qt
