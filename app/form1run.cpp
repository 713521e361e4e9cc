// SPDX-License-Identifier: GPL-3.0-or-later
// Form1's runs: "Start Converting", stopping after the row in hand, and what
// the rows show afterwards.

#include <QKeySequence>
#include <QMenu>
#include <QPushButton>
#include <QShortcut>

#include "app/form1.h"
#include "app/joblistview.h"
#include "app/rowoutcomes.h"
#include "app/widgetprompts.h"
#include "engine/batchconversion.h"

void Form1::PushButton2_Click() {
    // A second click during a run must not start another over it.
    if (batch_->IsConverting()) return batch_->PushButton2_Click();
    stopRequested_ = false;
    if (ownPrompts_) ownPrompts_->beginRun();
    batch_->PushButton2_Click();
    if (ownPrompts_) ownPrompts_->endRun();
    if (batch_->lastRunStarted()) ShowRowOutcomes(*listView1_, batch_->rowResults());
}

void Form1::runStarted() {
    ClearRowOutcomes(*listView1_);
    pushButton8_->setEnabled(true);
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
    // Double-click removes a row, so a row's outcome opens from its menu or
    // with Enter instead.
    listView1_->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(listView1_, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        QTreeWidgetItem* item = listView1_->itemAt(at);
        if (item == nullptr || OutcomeText(item).isEmpty()) return;
        const int row = listView1_->indexOfTopLevelItem(item) + 1;
        QMenu menu(this);
        menu.addAction(WrittenVideo(item).isEmpty() ? QStringLiteral("Show What Went Wrong")
                                                    : QStringLiteral("Open Video"),
                       this, [this, row] { showRowOutcome(row); });
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
