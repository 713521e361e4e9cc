#include <gtest/gtest.h>

#include <QFile>
#include <QSettings>

#include "../support/testsupport.h"
#include "util/settingsstore.h"
#include "util/storedoptions.h"

// What both the window's start-up and the command line make of the stored
// option buttons: the later of a pair wins, a pair may show neither, and an
// unreadable value leaves its button as designed until its partner is selected.
TEST(StoredOptions, RestoreAsTheButtonsTakeTheirAssignmentsInOrder) {
    const QString file = QSettings(QSettings::IniFormat, QSettings::UserScope,
                                   QLatin1String(SettingsAppName), QLatin1String(SettingsAppName))
                             .fileName();
    const struct {
        const char* stored;
        OptionButtons expected;
        QList<int> failedSteps;
    } cases[] = {
        {"", {true, false, true, false}, {}},
        {"Option1=True\nOption2=True\nOption3=1\nOption4=-1", {false, true, false, true}, {}},
        {"Option1=False\nOption2=0\nOption3=0\nOption4=False", {false, false, false, false}, {}},
        {"Option1=maybe\nOption2=True\nOption3=nan\nOption4=inf",
         {false, true, true, false},
         {1, 3, 4}},
        {"Option1=False\nOption2=\nOption4=True", {false, false, false, true}, {2}},
    };
    for (const auto& [stored, expected, failedSteps] : cases) {
        writeFile(file, QByteArray("[Quillmoor]\n") + stored + '\n');
        QList<int> failed;
        const OptionButtons restored =
            RestoreOptionButtons([&](int number, const std::function<void()>& assign) {
                try {
                    assign();
                } catch (const Failure&) {
                    failed << number;
                }
            });
        EXPECT_EQ(restored, expected) << stored;
        EXPECT_EQ(failed, failedSteps) << stored;
    }
    QFile::remove(file);
}
