#include "cli/clihost.h"

#include "cli/progressline.h"
#include "util/failure.h"
#include "util/folderscan.h"

CliHost::CliHost(ProgressLine* line) : line_(line) {
    clock_.start();
}

void CliHost::yield() {
    DoEvents();
}

QString CliHost::rowText(int row) const {
    if (row < 1 || row > rows.size()) throw Failure(QStringLiteral("Index out of bounds"));
    return rows.at(row - 1);
}

bool CliHost::option(int number) const {
    if (number < 1 || number > 4) throw Failure(QStringLiteral("Invalid option number"));
    return options[number - 1];
}

void CliHost::setProgressMaximum(int maximum) {
    pendingMaximum_ = maximum;
}

void CliHost::setProgressValue(int value) {
    if (pendingMaximum_ >= 0 && value == 0) {
        frames_ = pendingMaximum_;
        frame_ = 0;
    } else if (frames_ > 0 && pendingMaximum_ < 0) {
        frame_ = value;
    }
    pendingMaximum_ = -1;
    // Frames come fast: a few redraws a second are enough.
    if (frame_ > 0 && (frame_ == frames_ || clock_.elapsed() - shownAt_ >= 100)) show();
}

void CliHost::setProgressText(const QString& text) {
    static const QString processing = QStringLiteral("Processing: ");
    frames_ = 0;
    frame_ = 0;
    if (!text.startsWith(processing)) {
        // The run is over: the window's resting text is not progress.
        if (line_ != nullptr) line_->clear();
        return;
    }
    // A row's turn ends where the next one's begins, in either mode.
    const qint64 now = clock_.elapsed();
    if (row_ == 0)
        estimate_.start(int(rows.size()));
    else
        estimate_.rowDone((now - rowStartedAt_) / 1000.0);
    rowStartedAt_ = now;
    ++row_;
    name_ = text.mid(processing.size());
    show();
}

void CliHost::show() {
    if (line_ == nullptr || !line_->live()) return;
    shownAt_ = clock_.elapsed();
    const qint64 seconds = shownAt_ / 1000;
    QString text;
    if (row_ > 0) text = QStringLiteral("[%1/%2] %3").arg(row_).arg(rows.size()).arg(name_);
    if (frames_ > 0) {
        if (!text.isEmpty()) text += QStringLiteral("  ");
        text += QStringLiteral("frame %1/%2").arg(frame_).arg(frames_);
    }
    text += QStringLiteral("  %1:%2").arg(seconds / 60).arg(seconds % 60, 2, 10, QLatin1Char('0'));
    if (!estimate_.text().isEmpty()) text += QStringLiteral("  ") + estimate_.text();
    line_->show(text);
}
