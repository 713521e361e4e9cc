#include "util/storedoptions.h"

#include "util/settingsstore.h"

OptionButtons RestoreOptionButtons(const OptionStep& step) {
    constexpr OptionButtons designed{true, false, true, false};
    OptionButtons buttons = designed;
    for (int index = 0; index < 4; ++index) {
        step(index + 1, [&] {
            const bool value = TextToTruth(GetQuillmoorSetting(
                QStringLiteral("Option%1").arg(index + 1), TruthToText(designed[index])));
            buttons[index] = value;
            if (value) buttons[index ^ 1] = false;
        });
    }
    return buttons;
}
