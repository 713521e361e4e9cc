#pragma once

#include <QString>
#include <QStringList>

#include "engine/outputnaming.h"
#include "platform/office/officeclient.h"
#include "util/prompts.h"

class HelperPool;
class Host;
class StepTrap;

// What "Start Converting" does: every job-list row in list order becomes
// slides in the staging folders, and the frame folder becomes AVI files (one
// for the whole list, or one per presentation). It reads the window's
// controls through Host at the moments it needs them and talks to the user
// through Prompts, so the window and the command line run the same code.
class BatchConversion {
  public:
    BatchConversion(Host& host, Prompts& prompts);

    void PushButton2_Click();
    // How the engine helpers of later runs are started (default: the helper
    // beside the program, with its own defaults).
    void setEngineOptions(const HelperOptions& options) { engineOptions_ = options; }

    bool IsConverting() const { return isConverting_; }
    // Whether the last run got past validation (a refused run shows one message only).
    bool lastRunStarted() const { return lastRunStarted_; }
    // Presentations (or, in combined mode, the video) of the last run for
    // which anything was reported to the user.
    const QStringList& failures() const { return failures_; }

  private:
    // Passes everything through and counts what the user is told.
    class CountingPrompts : public Prompts {
      public:
        explicit CountingPrompts(Prompts& inner) : inner_(inner) {}
        void message(const QString& text, Icon icon = Icon::None,
                     const QString& title = QString()) override;
        bool askYesNo(const QString& text, Icon icon, const QString& title) override;
        QString inputBox(const QString& prompt, const QString& title,
                         const QString& proposed) override;
        QString browseForFolder(const QString& prompt, const QString& start) override;
        QStringList openFiles(const QString& title, const QStringList& filters) override;
        int compressionOptions(CompressOptions& options) override;
        int messages = 0;

      private:
        Prompts& inner_;
    };

    void runCombined(StepTrap& trap, const QString& t);
    void runSeparate(StepTrap& trap, const QString& t);
    // One writer call with the library started and ended around it.
    void writeVideo(StepTrap& trap, int firstStep, const QString& t, const QString& outputPath);
    void showRowProgress(StepTrap& trap, int firstStep, int row, const QString& path);
    // Starts the rows after `row` opening and exporting ahead on the pool's free helpers.
    void lookAhead(HelperPool& pool, const QString& t, int row, int rows);
    void noteFailure(int messagesBefore, const QString& subject);

    Host& host_;
    CountingPrompts prompts_;
    bool isConverting_ = false;
    bool lastRunStarted_ = false;
    QStringList failures_;
    RunOutputs outputs_;
    HelperOptions engineOptions_;
};
