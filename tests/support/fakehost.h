#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

#include "util/host.h"
#include "video/videosettings.h"

// A window stand-in: rows, options and texts set by the test, progress and
// pointer changes recorded.
class FakeHost : public Host {
  public:
    void yield() override;
    int rowCount() const override { return rows.size(); }
    QString rowText(int row) const override;
    bool option(int number) const override;
    QString text1() const override { return frameRate; }
    QString text2() const override { return outputFolder; }
    VideoSettings videoSettings() const override { return {}; }
    int pointer() const override { return pointerState; }
    void setPointer(int state) override;
    void setProgressMaximum(int maximum) override;
    void setProgressValue(int value) override;
    void setProgressText(const QString& text) override;

    QStringList rows;
    bool options[4] = {true, false, true, false};
    QString frameRate = QStringLiteral("1");
    QString outputFolder;
    int pointerState = Default;

    int yields = 0;
    std::function<void()> onYield;  // runs inside yield(), like another handler would
    int progressMaximum = 100;
    int progressValue = 0;
    QString progressText = QStringLiteral("Progress Bar");
    QList<int> progressValues;  // every value set, in order
    QStringList progressTexts;  // every text set, in order
    QList<int> pointerStates;   // every pointer state set, in order
};
