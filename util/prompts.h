#pragma once

#include <QString>
#include <QStringList>

struct CompressOptions;

// Every question and message the program puts to the user. The window shows
// real dialogs, the command line answers from its options, tests script answers.
class Prompts {
  public:
    enum class Icon { None, Information, Exclamation, Critical, Question };

    virtual ~Prompts() = default;

    // A message box with only an OK button. An empty title means the application title.
    virtual void message(const QString& text, Icon icon = Icon::None,
                         const QString& title = QString()) = 0;
    // Yes/No question; true for Yes.
    virtual bool askYesNo(const QString& text, Icon icon = Icon::None,
                          const QString& title = QString()) = 0;
    // Input box; "" when cancelled or nothing typed.
    virtual QString inputBox(const QString& prompt, const QString& title,
                             const QString& proposed) = 0;
    // Folder picker starting at `start`; "" when cancelled.
    virtual QString browseForFolder(const QString& prompt, const QString& start) = 0;
    // Open-files dialog with multiple selection; empty when cancelled.
    // `filters` are Qt filter strings, the first one selected.
    virtual QStringList openFiles(const QString& title, const QStringList& filters) = 0;
    // Compression dialog for one video file, offering the compressors of
    // options.container: 1 on OK (options filled, container kept), 0 on cancel.
    virtual int compressionOptions(CompressOptions& options) = 0;
    // The same for the video about to be written at `videoPath`, which the window names.
    virtual int compressionOptionsFor(const QString& videoPath, CompressOptions& options) {
        (void)videoPath;
        return compressionOptions(options);
    }
    // The error report of a failed step, in its one format. The window may
    // leave later reports of a run unshown at the user's wish; callers keep them.
    virtual void errorReport(const QString& text) {
        message(text, Icon::Exclamation, QStringLiteral("Application Error"));
    }
};
