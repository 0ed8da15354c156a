// ReadDrop and FileDropFilter: one local file per drop, the rest refused in words.
#include "platform/qt/file_drop.h"

#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include <utility>

namespace vesperine::qt {

std::optional<DroppedFile> ReadDrop(const QMimeData& data) {
    if (!data.hasUrls()) return std::nullopt;
    const QList<QUrl> urls = data.urls();
    if (urls.size() != 1) return DroppedFile{{}, "Drop one file at a time."};
    if (!urls.front().isLocalFile()) return DroppedFile{{}, "Only files on this computer can be loaded."};
    return DroppedFile{urls.front().toLocalFile(), {}};
}

FileDropFilter::FileDropFilter(QObject* parent, std::function<bool()> accepting,
                               std::function<void(const DroppedFile&)> onDrop)
    : QObject(parent), accepting_(std::move(accepting)), onDrop_(std::move(onDrop)) {}

bool FileDropFilter::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (type != QEvent::DragEnter && type != QEvent::DragMove && type != QEvent::Drop)
        return QObject::eventFilter(watched, event);
    auto* drag = static_cast<QDropEvent*>(event);
    if (!drag->mimeData()->hasUrls()) return false;
    if (!accepting_()) {
        drag->ignore();
        return true;
    }
    drag->setDropAction(Qt::CopyAction);
    drag->accept();
    if (type == QEvent::Drop) {
        if (const std::optional<DroppedFile> file = ReadDrop(*drag->mimeData())) onDrop_(*file);
    }
    return true;
}

}  // namespace vesperine::qt
