#pragma once

#include <QStringList>
#include <cstdio>

#include "util/prompts.h"
#include "video/compressoptions.h"

class ProgressLine;

// Prompts without a window: messages go to stderr, questions get the answers
// given on the command line (or "cancel" when none was given). Error reports
// are printed only when verbose: the run keeps them with their rows.
class CliPrompts : public Prompts {
  public:
    explicit CliPrompts(FILE* out = stderr) : out_(out) {}

    void message(const QString& text, Icon icon = Icon::None,
                 const QString& title = QString()) override;
    bool askYesNo(const QString& text, Icon icon, const QString& title) override;
    QString inputBox(const QString& prompt, const QString& title, const QString& proposed) override;
    QString browseForFolder(const QString& prompt, const QString& start) override;
    QStringList openFiles(const QString& title, const QStringList& filters) override;
    int compressionOptions(CompressOptions& options) override;
    void errorReport(const QString& text) override;

    // The window's full report format, as each failure happens.
    bool verbose = false;
    // While holding, messages wait (see takeHeld) instead of printing: a
    // failed row is told in one line, by its first reason.
    bool holding = false;
    // Cleared before anything is printed.
    ProgressLine* line = nullptr;
    // The messages held since the last call, in order.
    QStringList takeHeld();

    // The compression dialog's answer: these options, confirmed.
    CompressOptions compression;
    // What a yes/no question is answered with.
    bool yesNoAnswer = false;

    // Every message text shown, in order.
    const QStringList& messages() const { return messages_; }

  private:
    void print(const QString& text);

    FILE* out_;
    QStringList messages_;
    QStringList held_;
};
