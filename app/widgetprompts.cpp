#include "app/widgetprompts.h"

#include <QCheckBox>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>

#include "app/apptitle.h"
#include "app/compressiondialog.h"

namespace {
QMessageBox::Icon boxIcon(Prompts::Icon icon) {
    switch (icon) {
        case Prompts::Icon::Information:
            return QMessageBox::Information;
        case Prompts::Icon::Exclamation:
            return QMessageBox::Warning;
        case Prompts::Icon::Critical:
            return QMessageBox::Critical;
        case Prompts::Icon::Question:
            return QMessageBox::Question;
        case Prompts::Icon::None:
            break;
    }
    return QMessageBox::NoIcon;
}

QString captionOrTitle(const QString& title) {
    return title.isEmpty() ? AppTitle() : title;
}

int showBox(QWidget* owner, const QString& text, Prompts::Icon icon, const QString& title,
            QMessageBox::StandardButtons buttons) {
    QMessageBox box(boxIcon(icon), captionOrTitle(title), DisplayText(text), buttons, owner);
    // Paths and descriptions are shown as written, never as markup.
    box.setTextFormat(Qt::PlainText);
    box.setWindowModality(Qt::ApplicationModal);
    return box.exec();
}
}  // namespace

QString DisplayText(const QString& text) {
    QString shown = text;
    shown.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return shown;
}

QWidget* WidgetPrompts::owner() const {
    return owner_ && owner_->isVisible() ? owner_.data() : nullptr;
}

void WidgetPrompts::message(const QString& text, Icon icon, const QString& title) {
    showBox(owner(), text, icon, title, QMessageBox::Ok);
}

bool WidgetPrompts::askYesNo(const QString& text, Icon icon, const QString& title) {
    return showBox(owner(), text, icon, title, QMessageBox::Yes | QMessageBox::No) ==
           QMessageBox::Yes;
}

QString WidgetPrompts::inputBox(const QString& prompt, const QString& title,
                                const QString& proposed) {
    bool ok = false;
    const QString answer = QInputDialog::getText(
        owner(), captionOrTitle(title), DisplayText(prompt), QLineEdit::Normal, proposed, &ok);
    return ok ? answer : QString();
}

QString WidgetPrompts::browseForFolder(const QString& prompt, const QString& start) {
    return QFileDialog::getExistingDirectory(owner(), prompt, start, QFileDialog::ShowDirsOnly);
}

QStringList WidgetPrompts::openFiles(const QString& title, const QStringList& filters) {
    QString selected = filters.value(0);
    return QFileDialog::getOpenFileNames(owner(), captionOrTitle(title), QString(),
                                         filters.join(QLatin1String(";;")), &selected);
}

int WidgetPrompts::compressionOptions(CompressOptions& options) {
    return ShowCompressionDialog(owner(), options);
}

int WidgetPrompts::compressionOptionsFor(const QString& videoPath, CompressOptions& options) {
    if (runCompression_) {
        options = *runCompression_;
        return 1;
    }
    bool everyVideo = false;
    const int result =
        ShowCompressionDialogFor(owner(), videoPath, options, inRun_ ? &everyVideo : nullptr);
    if (result == 1 && everyVideo) runCompression_ = options;
    return result;
}

void WidgetPrompts::errorReport(const QString& text) {
    if (reportsHidden_) return;
    QMessageBox box(QMessageBox::Warning, QStringLiteral("Application Error"), DisplayText(text),
                    QMessageBox::Ok, owner());
    box.setTextFormat(Qt::PlainText);
    box.setWindowModality(Qt::ApplicationModal);
    if (inRun_) {
        // Owned by the box.
        box.setCheckBox(
            new QCheckBox(QStringLiteral("Don't show further reports during this run")));
    }
    box.exec();
    reportsHidden_ = inRun_ && box.checkBox()->isChecked();
}

void WidgetPrompts::beginRun() {
    inRun_ = true;
    reportsHidden_ = false;
    runCompression_.reset();
}

void WidgetPrompts::endRun() {
    inRun_ = false;
    reportsHidden_ = false;
    runCompression_.reset();
}
