#pragma once

// A sign of work while a long report is made ready: the busy cursor at once and, once the
// work has taken half a second, a progress window whose Cancel stops it. Between the steps the
// windows keep painting; only the progress window takes the user's input meanwhile.

#include <QElapsedTimer>
#include <QString>
#include <cstddef>
#include <memory>

class QProgressDialog;

namespace print {

// The progress window's object name.
inline constexpr const char* PROGRESS_WINDOW_NAME = "printProgress";

class WorkProgress {
public:
    WorkProgress(const QString& caption, const QString& text, std::size_t steps);
    ~WorkProgress();
    WorkProgress(const WorkProgress&) = delete;
    WorkProgress& operator=(const WorkProgress&) = delete;

    // Notes that done steps are finished; false once the user has cancelled.
    bool step(std::size_t done);

private:
    std::unique_ptr<QProgressDialog> dialog_;
    bool cursorSet_ = false;
    QElapsedTimer sinceEvents_;
};

}  // namespace print
