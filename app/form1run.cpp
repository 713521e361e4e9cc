// SPDX-License-Identifier: GPL-3.0-or-later
// Form1's runs: "Start Converting", stopping after the row in hand, and what
// the rows show afterwards.

#include <QKeySequence>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QShortcut>

#include "app/form1.h"
#include "app/joblistview.h"
#include "app/optionbutton.h"
#include "app/rowoutcomes.h"
#include "app/widgetprompts.h"
#include "engine/batchconversion.h"
#include "util/paths.h"

void Form1::PushButton2_Click() {
    // A second click during a run must not start another over it.
    if (batch_->IsConverting()) return batch_->PushButton2_Click();
    stopRequested_ = false;
    if (ownPrompts_) ownPrompts_->beginRun();
    batch_->PushButton2_Click();
    if (ownPrompts_) ownPrompts_->endRun();
    if (batch_->lastRunStarted()) runEnded();
}

namespace {
// A run shorter than this ends while the user still watches the window.
constexpr qint64 NoticeAfterMilliseconds = 60 * 1000;

QString counted(int count, const char* one, const char* many) {
    return QString::number(count) + QLatin1Char(' ') + QLatin1String(count == 1 ? one : many);
}
}  // namespace

void Form1::runStarted() {
    ClearRowOutcomes(*listView1_);
    pushButton8_->setEnabled(true);
    runRows_.clear();
    for (int i = 0; i < listView1_->topLevelItemCount(); ++i)
        runRows_ << listView1_->topLevelItem(i);
    runSeparate_ = option2_->isChecked();
    turn_ = 0;
    writerFrames_ = 0;
    runStartedAt_ = clock();
    estimate_.start(int(runRows_.size()));
    estimateLabel_->clear();
}

void Form1::nextTurn() {
    const qint64 now = clock();
    if (QTreeWidgetItem* done = rowInHand()) {
        estimate_.rowDone((now - turnStartedAt_) / 1000.0);
        // In one video for the list, a row's slides wait for the rows after it.
        if (StateText(done).startsWith(QLatin1String("Converting")))
            ShowRowWaiting(
                done,
                QStringLiteral("Its slides are ready; the video is made after the last row."));
    }
    turnStartedAt_ = now;
    writerFrames_ = 0;
    if (turn_ < runRows_.size()) ShowRowConverting(runRows_.at(turn_));
    ++turn_;
    estimateLabel_->setText(estimate_.text());
}

QTreeWidgetItem* Form1::rowInHand() const {
    return turn_ >= 1 && turn_ <= runRows_.size() ? runRows_.at(turn_ - 1) : nullptr;
}

void Form1::runEnded() {
    ShowRowOutcomes(*listView1_, batch_->rowResults());
    runRows_.clear();
    turn_ = 0;
    estimateLabel_->clear();
    if (clock() - runStartedAt_ <= NoticeAfterMilliseconds || !notifyDesktop) return;
    int written = 0;
    for (const VideoResult& video : batch_->videos())
        if (video.outcome.kind == VideoOutcome::Written) ++written;
    int failed = 0;
    for (const RowResult& row : batch_->rowResults())
        if (row.outcome() == RowResult::Outcome::Failed) ++failed;
    notifyDesktop(QStringLiteral("Quillmoor has finished converting"),
                  counted(written, "video written", "videos written") + QStringLiteral(", ") +
                      counted(failed, "presentation failed", "presentations failed"));
}

void Form1::startEngine() {
    batch_->startEngine();
}

bool Form1::IsConverting() const {
    return batch_->IsConverting();
}

void Form1::PushButton8_Click() {
    if (!batch_->IsConverting()) return;
    stopRequested_ = true;
    pushButton8_->setEnabled(false);
}

void Form1::showRowOutcome(int row) {
    const QTreeWidgetItem* item = listView1_->topLevelItem(row - 1);
    const QString video = WrittenVideo(item);
    if (!video.isEmpty()) {
        if (openVideo) openVideo(video);
    } else if (!OutcomeText(item).isEmpty()) {
        prompts_->message(OutcomeText(item), Prompts::Icon::Information);
    }
}

void Form1::connectRowOutcomes() {
    // Rows of separate videos show their outcome as each is done; the rest at the end.
    batch_->rowFinished = [this](const RowResult& result) {
        if (result.stepFailed || result.video) ShowRowOutcomes(*listView1_, {result}, false);
    };
    // A double-click opens a written row's video and removes any other row; a
    // row's outcome also opens from its menu or with Enter.
    listView1_->openRow = [this](int row) {
        const QString video = WrittenVideo(listView1_->topLevelItem(row - 1));
        if (video.isEmpty()) return false;
        if (openVideo) openVideo(video);
        return true;
    };
    listView1_->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(listView1_, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        QTreeWidgetItem* item = listView1_->itemAt(at);
        if (item == nullptr || OutcomeText(item).isEmpty()) return;
        const int row = listView1_->indexOfTopLevelItem(item) + 1;
        const QString video = WrittenVideo(item);
        QMenu menu(this);
        menu.addAction(
            video.isEmpty() ? QStringLiteral("Show What Went Wrong") : QStringLiteral("Open Video"),
            this, [this, row] { showRowOutcome(row); });
        if (!video.isEmpty())
            menu.addAction(QStringLiteral("Open Containing Folder"), this, [this, video] {
                if (openFolder_) openFolder_(ExtractFolder(video));
            });
        menu.exec(listView1_->viewport()->mapToGlobal(at));
    });
    for (const QKeySequence& key : {QKeySequence(Qt::Key_Return), QKeySequence(Qt::Key_Enter)}) {
        auto* open = new QShortcut(listView1_);
        open->setKey(key);
        open->setContext(Qt::WidgetShortcut);
        connect(open, &QShortcut::activated, this, [this] {
            if (listView1_->selectedRow() > 0) showRowOutcome(listView1_->selectedRow());
        });
    }
    auto* stop = new QShortcut(this);
    stop->setKey(QKeySequence(Qt::Key_Escape));
    connect(stop, &QShortcut::activated, this, &Form1::PushButton8_Click);
}
