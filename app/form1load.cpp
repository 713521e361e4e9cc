// SPDX-License-Identifier: GPL-3.0-or-later
// Start-up: everything the window prepares before it first shows.

#include <QGroupBox>
#include <QHeaderView>
#include <QIcon>
#include <QLineEdit>
#include <QUrl>
#include "app/joblistview.h"

#include "app/apptitle.h"
#include "app/cursorfile.h"
#include "app/form1.h"
#include "app/optionbutton.h"
#include "app/programfiles.h"
#include "app/skin.h"
#include "app/videocontrols.h"
#include "app/videosettingsstore.h"
#include "util/paths.h"
#include "util/settingsstore.h"
#include "util/steptrap.h"
#include "util/storedoptions.h"

bool Form1::Form_Load() {
    StepTrap trap(*prompts_, HandlerLocationTag("Form_Load"));

    trap.step(100, [&] { ApplySkin(*this, programFolder_); });
    trap.step(102, [&] {
        setWindowTitle(QLatin1String(ProductName));
        setWindowIcon(QIcon(programFolder_ + QLatin1String(AppIconFile)));
        SetAppTitle(QLatin1String(ProductName));
    });
    if (trap.test(104, [&] { return PathExists(programFolder_ + QLatin1String(HandCursorFile)); }))
        trap.step(106, [&] {
            handCursor_ = LoadCursorFile(programFolder_ + QLatin1String(HandCursorFile));
        });
    trap.step(108, [&] {
        // About one start in a hundred shows the maker's home page; nothing waits for it.
        if (randomNumber() == 7) openWebPage(QUrl(QLatin1String(MakerWebSite)));
    });

    // The presentation's column, and beside it its folder and what became of it.
    trap.step(132, [&] {
        listView1_->setHeaderLabels({QStringLiteral("MS PowerPoint File(s)"),
                                     QStringLiteral("Folder"), QStringLiteral("State")});
    });
    trap.step(134, [&] { listView1_->setColumnWidth(0, twips(7000)); });

    // Each assignment that changes a control runs its change or click handler,
    // which writes the value straight back.
    trap.step(136, [&] {
        text1_->setText(GetQuillmoorSetting(QStringLiteral("Delay"), QStringLiteral("1")));
    });
    trap.step(138, [&] {
        text2_->setText(GetQuillmoorSetting(QStringLiteral("Text2"), GetDesktopFolder()));
    });
    // The stored choices are read as the command line reads them;
    // a button that becomes selected runs its click handler.
    const OptionButtons restored =
        RestoreOptionButtons([&](int number, const std::function<void()>& assign) {
            trap.step(138 + 2 * number, assign);
        });
    const std::array<OptionButton*, 4> buttons{option1_, option2_, option3_, option4_};
    for (size_t index = 0; index < buttons.size(); ++index)
        setOption(buttons[index], restored[index]);

    // An addition with no step of its own: what cannot be read shows the default.
    video_->show(LoadVideoSettings());

    if (trap.test(148, [&] { return option3_->isChecked(); }))
        trap.step(150, [&] { frame4_->setEnabled(true); });
    else
        trap.step(152, [&] { frame4_->setEnabled(false); });
    // No step switches the measure from twips to pixels: the layout measures in
    // pixels throughout.

    bool engineFound = true;
    trap.step(156, [&] { engineFound = engineCheck(*prompts_); });
    return engineFound;
}
