#include "cli/progressline.h"

#include <sys/ioctl.h>
#include <unistd.h>

ProgressLine::ProgressLine(FILE* out) : out_(out), live_(::isatty(::fileno(out)) != 0) {}

ProgressLine::~ProgressLine() {
    clear();
}

void ProgressLine::show(const QString& text) {
    if (!live_) return;
    winsize size{};
    const int columns =
        ::ioctl(::fileno(out_), TIOCGWINSZ, &size) == 0 && size.ws_col > 0 ? int(size.ws_col) : 80;
    std::fprintf(out_, "\r\033[K%s", text.left(columns - 1).toLocal8Bit().constData());
    std::fflush(out_);
    shown_ = true;
}

void ProgressLine::clear() {
    if (!shown_) return;
    std::fputs("\r\033[K", out_);
    std::fflush(out_);
    shown_ = false;
}
