#include "platform/print/progress.h"

#include <QApplication>
#include <QProgressDialog>
#include <algorithm>
#include <climits>

namespace print {

namespace {

constexpr int SHOW_AFTER_MS = 500;
// Before the progress window shows, the windows are repainted this often.
constexpr qint64 EVENTS_EVERY_MS = 50;

}  // namespace

WorkProgress::WorkProgress(const QString& caption, const QString& text, std::size_t steps) {
    if (qobject_cast<QApplication*>(QCoreApplication::instance()) == nullptr) return;
    QGuiApplication::setOverrideCursor(Qt::BusyCursor);
    cursorSet_ = true;
    const int maximum = static_cast<int>(std::min<std::size_t>(steps, INT_MAX));
    dialog_ = std::make_unique<QProgressDialog>(text, QStringLiteral("Cancel"), 0, maximum,
                                                QApplication::activeWindow());
    dialog_->setObjectName(QString::fromLatin1(PROGRESS_WINDOW_NAME));
    dialog_->setWindowTitle(caption);
    dialog_->setWindowModality(Qt::ApplicationModal);
    dialog_->setMinimumDuration(SHOW_AFTER_MS);
    dialog_->setAutoClose(false);
    dialog_->setAutoReset(false);
    dialog_->setValue(0);
}

WorkProgress::~WorkProgress() {
    if (dialog_) dialog_->hide();
    if (cursorSet_) QGuiApplication::restoreOverrideCursor();
}

bool WorkProgress::step(std::size_t done) {
    if (!dialog_) return true;
    // Once shown, the window is modal and handles the events itself on each new value.
    dialog_->setValue(static_cast<int>(
        std::min<std::size_t>(done, static_cast<std::size_t>(dialog_->maximum()))));
    if (!dialog_->isVisible() &&
        (!sinceEvents_.isValid() || sinceEvents_.elapsed() >= EVENTS_EVERY_MS)) {
        // Not the user's input yet: nothing but the progress window may take it.
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        sinceEvents_.start();
    }
    return !dialog_->wasCanceled();
}

}  // namespace print
