#pragma once

#include <QStringList>
#include <cstdio>

#include "util/prompts.h"

// Prompts without a window: messages go to stderr, questions get the answers
// given on the command line (or "cancel" when none was given).
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
};
