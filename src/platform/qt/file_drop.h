// Files dropped on the window: which drops load a file, and the filter that takes them off the controls.
#pragma once

#include <QObject>
#include <QString>
#include <functional>
#include <optional>
#include <string>

class QMimeData;

namespace vesperine::qt {

// One drop read as a file to load: its local path, or a refusal to show instead.
struct DroppedFile {
    QString path;
    std::string refusal;  // empty when path is the file to load
};

// Nothing for a drop that carries no URL at all (dragged text, which the control may take as
// it always has); one local file's path; a refusal for several files or anything not local.
[[nodiscard]] std::optional<DroppedFile> ReadDrop(const QMimeData& data);

// An event filter for the controls that take dropped files: it accepts every drag that carries
// URLs while accepting() says so, consumes it, and hands the drop to onDrop. Other drags go on
// to the control.
class FileDropFilter final : public QObject {
public:
    FileDropFilter(QObject* parent, std::function<bool()> accepting, std::function<void(const DroppedFile&)> onDrop);

    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::function<bool()> accepting_;
    std::function<void(const DroppedFile&)> onDrop_;
};

}  // namespace vesperine::qt
