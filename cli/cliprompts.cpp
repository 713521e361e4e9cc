#include "cli/cliprompts.h"

#include <utility>

#include "cli/progressline.h"

void CliPrompts::print(const QString& text) {
    if (line != nullptr) line->clear();
    // Message texts break lines the Windows way; a terminal wants "\n".
    QString line = text;
    line.replace(QStringLiteral("\r\n"), QStringLiteral("\n"))
        .replace(QLatin1Char('\r'), QLatin1Char('\n'));
    std::fprintf(out_, "%s\n", line.toLocal8Bit().constData());
    std::fflush(out_);
}

void CliPrompts::message(const QString& text, Icon, const QString& title) {
    messages_ << text;
    const QString shown = title.isEmpty() ? text : title + QStringLiteral(": ") + text;
    if (holding && !verbose)
        held_ << shown;
    else
        print(shown);
}

void CliPrompts::errorReport(const QString& text) {
    messages_ << text;
    if (verbose) print(QStringLiteral("Application Error: ") + text);
}

QStringList CliPrompts::takeHeld() {
    return std::exchange(held_, {});
}

bool CliPrompts::askYesNo(const QString& text, Icon, const QString&) {
    print(text + (yesNoAnswer ? QStringLiteral(" [yes]") : QStringLiteral(" [no]")));
    return yesNoAnswer;
}

QString CliPrompts::inputBox(const QString& prompt, const QString&, const QString&) {
    print(prompt + QStringLiteral(" [cancelled: no input on the command line]"));
    return QString();
}

QString CliPrompts::browseForFolder(const QString& prompt, const QString&) {
    print(prompt + QStringLiteral(" [cancelled: no folder picker on the command line]"));
    return QString();
}

QStringList CliPrompts::openFiles(const QString& title, const QStringList&) {
    print(title + QStringLiteral(" [cancelled: no file dialog on the command line]"));
    return {};
}

int CliPrompts::compressionOptions(CompressOptions& options) {
    const VideoContainer container = options.container;
    options = compression;
    options.container = container;
    return 1;
}
