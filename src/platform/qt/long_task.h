// Long work on a worker thread behind a modal progress dialog that can ask it to break off.
#pragma once

#include <QString>
#include <functional>

#include "app/host.h"

class QWidget;

namespace vesperine::qt {

// The progress dialog's object name, for whoever needs to find it (tests).
inline constexpr const char* kProgressDialogName = "vesperineProgress";

// Runs work on a worker thread and returns when it has ended: true when it ran to its end,
// false when no thread could be started (the work has not run) or the work threw (what it
// threw is dropped; the core catches its own). The interface thread meanwhile keeps the
// windows painted and, after showDelayMs (so that short work shows nothing), shows a dialog
// in front of owner titled title with what the work counts and how far it is, and a Cancel
// button; Cancel, Escape or the dialog's close box make the poll answer true. Until the
// dialog shows, user input waits; after, owner takes none. Nothing but a close request
// reaches owner before the work ends.
[[nodiscard]] bool RunWithProgress(QWidget& owner, const QString& title, int showDelayMs,
                                   const std::function<void(const ProgressPoll&)>& work);

}  // namespace vesperine::qt
