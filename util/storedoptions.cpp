#include "util/storedoptions.h"

#include "util/settingsstore.h"

OptionButtons RestoreOptionButtons(const OptionStep& step) {
    constexpr OptionButtons firstRun{true, false, true, false};
    OptionButtons buttons = firstRun;
    for (int index = 0; index < 4; ++index) {
        step(index + 1, [&] {
            const bool value = TextToTruth(GetQuillmoorSetting(
                QStringLiteral("Option%1").arg(index + 1), TruthToText(firstRun[index])));
            buttons[index] = value;
            if (value) buttons[index ^ 1] = false;
        });
    }
    return buttons;
}
