#include "scriptedprompts.h"

void ScriptedPrompts::record(const QString& kind, const QString& text, Icon icon,
                             const QString& title) {
    shown.append({kind, text, icon, title});
    if (onShown) onShown(shown.last());
}

void ScriptedPrompts::message(const QString& text, Icon icon, const QString& title) {
    record(QStringLiteral("message"), text, icon, title);
}

bool ScriptedPrompts::askYesNo(const QString& text, Icon icon, const QString& title) {
    record(QStringLiteral("yesno"), text, icon, title);
    if (yesNoAnswers.empty()) return false;
    const bool answer = yesNoAnswers.front();
    yesNoAnswers.pop_front();
    return answer;
}

QString ScriptedPrompts::inputBox(const QString& prompt, const QString& title,
                                  const QString& proposed) {
    record(QStringLiteral("input"), prompt, Icon::None, title);
    lastProposed = proposed;
    if (inputAnswers.empty()) return QString();
    const QString answer = inputAnswers.front();
    inputAnswers.pop_front();
    return answer;
}

QString ScriptedPrompts::browseForFolder(const QString& prompt, const QString& start) {
    record(QStringLiteral("folder"), prompt, Icon::None, QString());
    lastFolderStart = start;
    if (folderAnswers.empty()) return QString();
    const QString answer = folderAnswers.front();
    folderAnswers.pop_front();
    return answer;
}

QStringList ScriptedPrompts::openFiles(const QString& title, const QStringList& filters) {
    record(QStringLiteral("files"), title, Icon::None, QString());
    lastFilters = filters;
    if (fileAnswers.empty()) return {};
    const QStringList answer = fileAnswers.front();
    fileAnswers.pop_front();
    return answer;
}

int ScriptedPrompts::compressionOptions(CompressOptions& options) {
    record(QStringLiteral("compression"), QString(), Icon::None, QString());
    if (compressionAnswers.empty()) return defaultCompressionResult;
    auto [result, chosen] = compressionAnswers.front();
    compressionAnswers.pop_front();
    if (result == 1)
        options = CompressOptions{chosen.codec, chosen.quality, chosen.keyFrameEvery,
                                  chosen.dataRateBitsPerSecond, options.container};
    return result;
}

QStringList ScriptedPrompts::messages() const {
    QStringList texts;
    for (const Shown& s : shown)
        if (s.kind == QLatin1String("message")) texts << s.text;
    return texts;
}
