// SPDX-License-Identifier: GPL-3.0-or-later
// The output options: mode, frame rate and output folder, stored at every change.

#include <QCheckBox>
#include <QGroupBox>
#include <QLineEdit>

#include "app/form1.h"
#include "app/optionbutton.h"
#include "app/videocontrols.h"
#include "app/videosettingsstore.h"
#include "util/numbers.h"
#include "util/settingsstore.h"
#include "util/steptrap.h"

void Form1::connectOptions() {
    // Selecting one button of a pair clears the other; clearing one leaves the
    // other as it is, so a pair can show neither selected.
    const auto pair = [this](OptionButton* one, OptionButton* other) {
        connect(one, &OptionButton::toggled, other, [other](bool on) {
            if (on) other->setChecked(false);
        });
        connect(other, &OptionButton::toggled, one, [one](bool on) {
            if (on) one->setChecked(false);
        });
    };
    pair(option1_, option2_);
    pair(option3_, option4_);
    connect(option1_, &OptionButton::clicked, this, &Form1::Option1_Click);
    connect(option2_, &OptionButton::clicked, this, &Form1::Option2_Click);
    connect(option3_, &OptionButton::clicked, this, &Form1::Option3_Click);
    connect(option4_, &OptionButton::clicked, this, &Form1::Option4_Click);
    connect(text1_, &QLineEdit::textChanged, this, &Form1::Text1_Change);
    connect(text2_, &QLineEdit::textChanged, this, &Form1::Text2_Change);
    connect(video_, &VideoControls::changed, this, &Form1::Video_Change);
}

VideoSettings Form1::videoSettings() const {
    VideoSettings settings = video_->settings();
    settings.allowLinks = linksTick_ && linksTick_->isChecked();
    return settings;
}

void Form1::Video_Change() {
    // The small handlers have no numbered steps of their own; a settings store
    // that cannot be written is still reported, under the handler's name.
    StepTrap trap(*prompts_, HandlerLocationTag("Video_Change"));
    trap.step(100, [&] { SaveVideoSettings(video_->settings()); });
}

// Assigning a button as start-up does: a change that selects it runs its click
// handler, as a click would.
void Form1::setOption(OptionButton* button, bool value) {
    if (button->isChecked() == value) return;
    button->setChecked(value);
    if (!value) return;
    if (button == option1_) Option1_Click();
    if (button == option2_) Option2_Click();
    if (button == option3_) Option3_Click();
    if (button == option4_) Option4_Click();
}

void Form1::writeOptionPair(int first) {
    SaveQuillmoorSetting(QStringLiteral("Option") + QString::number(first),
                         TruthToText(option(first)));
    SaveQuillmoorSetting(QStringLiteral("Option") + QString::number(first + 1),
                         TruthToText(option(first + 1)));
}

void Form1::Option1_Click() {
    StepTrap trap(*prompts_, HandlerLocationTag("Option1_Click"));
    trap.step(100, [&] { writeOptionPair(1); });
}

void Form1::Option2_Click() {
    StepTrap trap(*prompts_, HandlerLocationTag("Option2_Click"));
    trap.step(100, [&] { writeOptionPair(1); });
}

void Form1::Option3_Click() {
    StepTrap trap(*prompts_, HandlerLocationTag("Option3_Click"));
    trap.step(100, [&] { writeOptionPair(3); });
    trap.step(102, [&] { frame4_->setEnabled(option3_->isChecked()); });
}

void Form1::Option4_Click() {
    StepTrap trap(*prompts_, HandlerLocationTag("Option4_Click"));
    trap.step(100, [&] { writeOptionPair(3); });
    trap.step(102, [&] { frame4_->setEnabled(option3_->isChecked()); });
}

void Form1::Text1_Change() {
    StepTrap trap(*prompts_, HandlerLocationTag("Text1_Change"));
    trap.step(100, [&] { SaveQuillmoorSetting(QStringLiteral("Delay"), text1_->text()); });
}

void Form1::Text2_Change() {
    StepTrap trap(*prompts_, HandlerLocationTag("Text2_Change"));
    trap.step(100, [&] { SaveQuillmoorSetting(QStringLiteral("Text2"), text2_->text()); });
}

void Form1::Text1_LostFocus() {
    if (IsNumeric(text1_->text())) return;
    // The text stays as typed (it is already stored); the user corrects it.
    prompts_->message(QStringLiteral("Must be a numeric entry."));
    text1_->setFocus(Qt::OtherFocusReason);
}

void Form1::PushButton7_Click() {
    StepTrap trap(*prompts_, HandlerLocationTag("PushButton7_Click"));
    QString chosen;
    // Starts where the last whole folder was added from, not at the last output folder.
    trap.step(100, [&] {
        chosen = prompts_->browseForFolder(QStringLiteral("Please select folder:"),
                                           GetQuillmoorSetting(QStringLiteral("LastFolder")));
    });
    if (trap.test(102, [&] { return chosen.isEmpty(); })) return;
    trap.step(104, [&] { SaveQuillmoorSetting(QStringLiteral("LastFolderDot"), chosen); });
    if (trap.test(104, [&] { return !chosen.endsWith(QLatin1Char('/')); }))
        trap.step(106, [&] { text2_->setText(chosen + QLatin1Char('/')); });
    else
        trap.step(108, [&] { text2_->setText(chosen); });
}
