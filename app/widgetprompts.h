#pragma once

#include <QPointer>
#include <QWidget>
#include <optional>

#include "util/prompts.h"
#include "video/compressoptions.h"

// Newlines as the program writes them ("\r\n", or "\r" alone) shown as line breaks.
QString DisplayText(const QString& text);

// The user's own dialogs: message boxes, input box, folder picker, open-files
// dialog and the compression dialog, owned by the main window.
class WidgetPrompts : public Prompts {
  public:
    explicit WidgetPrompts(QWidget* owner = nullptr) : owner_(owner) {}

    void message(const QString& text, Icon icon, const QString& title) override;
    bool askYesNo(const QString& text, Icon icon, const QString& title) override;
    QString inputBox(const QString& prompt, const QString& title, const QString& proposed) override;
    QString browseForFolder(const QString& prompt, const QString& start) override;
    QStringList openFiles(const QString& title, const QStringList& filters) override;
    int compressionOptions(CompressOptions& options) override;
    int compressionOptionsFor(const QString& videoPath, CompressOptions& options) override;
    void errorReport(const QString& text) override;

    // Between these, the compression dialog and the error report offer to
    // answer once for the rest of the run; a new run asks afresh.
    void beginRun();
    void endRun();

  private:
    // Dialogs centre on the window once it shows; before that they stand alone.
    QWidget* owner() const;

    QPointer<QWidget> owner_;
    bool inRun_ = false;
    bool reportsHidden_ = false;
    std::optional<CompressOptions> runCompression_;
};
