#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// A file-name pattern as the file dialogs and the command line know it: "*"
// any run, "?" one character, letters compared without case, and a trailing
// ".*" that also matches a name without a dot ("*.*" matches every name).
class WildcardPattern {
  public:
    explicit WildcardPattern(const QString& pattern);

    // `name` is a name as stored on disk (UTF-8 bytes).
    bool matches(const char* name, qsizetype size) const;
    bool matches(const QString& name) const;

  private:
    bool matchesFolded(const QList<uint>& name) const;

    bool ascii_ = true;
    QByteArray bytes_;    // lower-cased, when the pattern is plain ASCII
    QList<uint> folded_;  // case-folded code points otherwise
    bool dotStarMayBeEmpty_ = false;
};

bool HasWildcards(const QString& text);
