// The host: every platform operation the core needs of a window, as one abstract interface.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace vesperine {

// Buttons a message box offers, and the button that closed it.
enum class MessageButtons { Ok, YesNo };
enum class MessageAnswer { Ok, Yes, No };

// Keys whose state the core polls while it works (the CRC search's break chord).
enum class PolledKey { Shift, Backspace };

// What long work counts, so that a progress display can say it in words.
// The Inspector's steps count in the units after Windows: "Examined N of M bytes" (diagnosis,
// the map), "Compared" (reads), "Wrote" (saves), "Tried N of M bits" (mends), "Examined N of M
// views" (identification); Share for steps of several passes, shown as "47 % done".
enum class ProgressUnit {
    BytesRead,
    BytesExtracted,
    BytesHashed,
    Windows,
    BytesExamined,
    BytesCompared,
    BytesWritten,
    BitsTried,
    Views,
    Share
};

// How far long work has come: done of total units, total 0 when the work has no known end
// (a search stepping by 0). One task may count in several units one after another (a search
// extracts its area, then examines windows).
struct Progress {
    ProgressUnit unit = ProgressUnit::Windows;
    std::uint64_t done = 0;
    std::uint64_t total = 0;
};

// Called by long work as it goes, from the thread it runs on. Returns true when the user
// asked to break off.
using ProgressPoll = std::function<bool(const Progress& progress)>;

// Texts are 8-bit text in the host's code page (see CodePage()), except the paths that the file
// dialogs return, which are the platform's own file-name bytes and are only ever shown, never
// parsed. Control ids are the numbers of the dialog template (1000 to 1038).
class Host {
public:
    virtual ~Host() = default;

    // Whole text of an edit control. Setting replaces the whole text.
    [[nodiscard]] virtual std::string ControlText(int id) const = 0;
    virtual void SetControlText(int id, std::string_view text) = 0;
    // From now on the user can neither type nor paste more than maxChars characters.
    virtual void LimitText(int id, int maxChars) = 0;

    // A radio group is named by its first and last button id; positions count from 0 in
    // template order, -1 when no button is checked. Checking a position outside the group
    // clears every button.
    [[nodiscard]] virtual int CheckedRadio(int firstId, int lastId) const = 0;
    virtual void CheckRadio(int firstId, int lastId, int position) = 0;
    // Check box state: 0 clear, 1 ticked.
    [[nodiscard]] virtual int CheckState(int id) const = 0;
    virtual void SetCheckState(int id, int state) = 0;

    // Scroll bars. Minimum and maximum are set together with the position; a maximum below the
    // minimum gives the range 0..0, and any position set is clamped into the range. The track
    // position is where the user is dragging the thumb (equal to the position otherwise).
    virtual void SetScrollRangeAndPos(int id, int minimum, int maximum, int position) = 0;
    virtual void SetScrollPos(int id, int position) = 0;
    [[nodiscard]] virtual int ScrollPos(int id) const = 0;
    [[nodiscard]] virtual int ScrollTrackPos(int id) const = 0;

    // The control holding the keyboard focus (0 when no control of the window has it).
    [[nodiscard]] virtual int FocusedControl() const = 0;
    // Moves the focus to a control, selecting its whole text when selectAll is set.
    virtual void FocusControl(int id, bool selectAll) = 0;

    // Modal message box owned by the window, without icon. A box without a caption of its own
    // carries the application's title.
    virtual MessageAnswer ShowMessage(std::string_view text, std::optional<std::string_view> caption,
                                      MessageButtons buttons) = 0;

    // The system's file dialogs, opening with an empty name box and the single filter
    // "All File(*.*)". Nothing when the user cancels or the dialog fails. The open dialog
    // only accepts existing files; the save dialog asks before an existing file is replaced.
    virtual std::optional<std::string> ChooseOpenFile() = 0;
    virtual std::optional<std::string> ChooseSaveFile() = 0;

    // Wait cursor, nested calls counted. Use the WaitCursor guard rather than these.
    virtual void BeginWaitCursor() = 0;
    virtual void EndWaitCursor() = 0;

    // True when the key is down now or has been pressed since the previous query of it.
    // May be called from the thread that RunLongTask's work runs on.
    [[nodiscard]] virtual bool IsKeyDown(PolledKey key) = 0;

    // Runs work to its end before returning, while the window stays painted, shows the
    // progress that work reports through its poll, and lets no other command or input reach
    // the dialog. The poll returns true when the user asked to break off through the
    // progress display; work decides what that means. Work runs on another thread where the
    // host has one, so it touches nothing but what its caller set aside for it, and throws
    // nothing. Returns false when the work could not be run (no thread could be started);
    // then it has not run at all.
    [[nodiscard]] virtual bool RunLongTask(std::string_view title,
                                           const std::function<void(const ProgressPoll&)>& work) = 0;

    // The code page of the 8-bit texts: 932, 936, 949, 950, or any other number for a
    // single-byte page.
    [[nodiscard]] virtual int CodePage() const = 0;

    // Ends the modal run of the dialog.
    virtual void EndDialog(int result) = 0;
};

// Holds the wait cursor for as long as it lives, so every way out of a command releases it.
class WaitCursor {
public:
    explicit WaitCursor(Host& host) : host_(host) { host_.BeginWaitCursor(); }
    ~WaitCursor() { host_.EndWaitCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;

private:
    Host& host_;
};

}  // namespace vesperine
