#pragma once

#include "util/prompts.h"

// Answers every question with "no" and shows nothing.
class SilentPrompts : public Prompts {
  public:
    void message(const QString&, Icon, const QString&) override {}
    bool askYesNo(const QString&, Icon, const QString&) override { return false; }
    QString inputBox(const QString&, const QString&, const QString&) override { return {}; }
    QString browseForFolder(const QString&, const QString&) override { return {}; }
    QStringList openFiles(const QString&, const QStringList&) override { return {}; }
    int compressionOptions(CompressOptions&) override { return 0; }
};
