#include "cli/clihost.h"

#include <unistd.h>

#include "util/failure.h"
#include "util/folderscan.h"

CliHost::CliHost(FILE* out) : out_(out), live_(::isatty(::fileno(out)) != 0) {}

CliHost::~CliHost() {
    if (shown_) std::fputc('\n', out_);
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
    maximum_ = maximum;
    show();
}

void CliHost::setProgressValue(int value) {
    value_ = value;
    show();
}

void CliHost::setProgressText(const QString& text) {
    text_ = text;
    show();
}

void CliHost::show() {
    if (!live_) return;
    const QString label = text_.isEmpty() ? QStringLiteral("Frames") : text_;
    std::fprintf(out_, "\r\033[K%s %d/%d", label.toLocal8Bit().constData(), value_, maximum_);
    std::fflush(out_);
    shown_ = true;
}
