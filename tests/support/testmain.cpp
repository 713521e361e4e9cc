#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QSettings>
#include <QTemporaryDir>
#include <cstdlib>

// Every test program runs on the offscreen platform with a private home, so no
// test reads or writes the user's settings, cache or desktop.
int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");

    QTemporaryDir home(QDir::tempPath() + QStringLiteral("/quillmoor-test-home-XXXXXX"));
    if (!home.isValid()) return 2;
    const QByteArray homePath = QFile::encodeName(home.path());
    qputenv("HOME", homePath);
    qputenv("XDG_CONFIG_HOME", homePath + "/.config");
    qputenv("XDG_CACHE_HOME", homePath + "/.cache");
    qputenv("XDG_DATA_HOME", homePath + "/.local/share");
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope,
                       home.path() + QStringLiteral("/.config"));

    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
