#pragma once

#include <QString>
#include <QStringList>
#include <cstdio>

#include "util/host.h"

// The window's part without a window: rows and options as given, progress
// printed to stderr when it is a terminal.
class CliHost : public Host {
  public:
    explicit CliHost(FILE* out = stderr);
    ~CliHost() override;

    void yield() override;
    int rowCount() const override { return int(rows.size()); }
    QString rowText(int row) const override;
    bool option(int number) const override;
    QString text1() const override { return frameRate; }
    QString text2() const override { return outputFolder; }
    VideoSettings videoSettings() const override { return video; }
    int pointer() const override { return pointer_; }
    void setPointer(int state) override { pointer_ = state; }
    void setProgressMaximum(int maximum) override;
    void setProgressValue(int value) override;
    void setProgressText(const QString& text) override;

    QStringList rows;
    bool options[4] = {true, false, true, false};
    QString frameRate = QStringLiteral("1");
    QString outputFolder;
    VideoSettings video;

  private:
    void show();

    FILE* out_;
    bool live_;
    bool shown_ = false;
    int pointer_ = Default;
    int maximum_ = 100;
    int value_ = 0;
    QString text_;
};
