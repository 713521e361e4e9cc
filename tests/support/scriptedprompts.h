#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <deque>
#include <functional>

#include "util/prompts.h"
#include "video/compressoptions.h"

// Records every message and answers every question from a script, in turn.
// A question with no scripted answer gets the "cancel" answer.
class ScriptedPrompts : public Prompts {
  public:
    struct Shown {
        QString kind;  // "message", "yesno", "input", "folder", "files", "compression"
        QString text;
        Icon icon = Icon::None;
        QString title;
    };

    void message(const QString& text, Icon icon, const QString& title) override;
    bool askYesNo(const QString& text, Icon icon, const QString& title) override;
    QString inputBox(const QString& prompt, const QString& title, const QString& proposed) override;
    QString browseForFolder(const QString& prompt, const QString& start) override;
    QStringList openFiles(const QString& title, const QStringList& filters) override;
    int compressionOptions(CompressOptions& options) override;

    // Scripted answers, consumed in order.
    std::deque<bool> yesNoAnswers;
    std::deque<QString> inputAnswers;
    std::deque<QString> folderAnswers;
    std::deque<QStringList> fileAnswers;
    std::deque<std::pair<int, CompressOptions>> compressionAnswers;
    // Default compression answer when none is scripted: OK with uncompressed.
    int defaultCompressionResult = 1;
    // Called on every message, after it is recorded (for example to act mid-run).
    std::function<void(const Shown&)> onShown;

    QList<Shown> shown;
    // What the last input box proposed and the last folder picker started at.
    QString lastProposed;
    QString lastFolderStart;
    QStringList lastFilters;

    // Texts of the message boxes only.
    QStringList messages() const;

  private:
    void record(const QString& kind, const QString& text, Icon icon, const QString& title);
};
