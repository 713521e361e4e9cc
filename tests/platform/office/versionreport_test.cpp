// SPDX-License-Identifier: GPL-3.0-or-later
// What --version says about a LibreOffice installation, read from its files.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "platform/office/versionreport.h"

namespace {
void writeFile(const QString& path, const QByteArray& text) {
    QDir().mkpath(path.section(QLatin1Char('/'), 0, -2));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(text);
}
}  // namespace

TEST(VersionReport, ReadsTheInstallationsOwnFiles) {
    const QByteArray registry =
        "<prop oor:name=\"ooSetupVersion\">\n<value>7.4</value></prop>\n"
        "<prop oor:name=\"ooSetupVersionAboutBox\">\n        <value>%1</value>\n</prop>";
    struct Case {
        const char* name;
        QByteArray aboutBox;  // empty: no registry at all
        QByteArray bootstrap;
        const char* line;
    };
    const Case cases[] = {
        {"full version", "7.4.7.2", "ProductKey=LibreOffice 7.4\n",
         "LibreOffice 7.4.7.2 (TDF/Debian) in "},
        {"no registry", "", "ProductKey=LibreOffice 7.4\r\n", "LibreOffice 7.4 (TDF/Debian) in "},
        {"damaged value", "7.4<x>", "ProductKey=LibreOffice\n",
         "LibreOffice (version unknown) (TDF/Debian) in "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir root;
        const QString program = root.path() + QStringLiteral("/program");
        writeFile(program + QStringLiteral("/versionrc"), "[Version]\nVendor=TDF/Debian\n");
        writeFile(program + QStringLiteral("/bootstraprc"), "[Bootstrap]\n" + c.bootstrap);
        if (!c.aboutBox.isEmpty())
            writeFile(root.path() + QStringLiteral("/share/registry/main.xcd"),
                      QByteArray(registry).replace("%1", c.aboutBox));
        EXPECT_EQ(OfficeVersionLine(program.toStdString()), c.line + program.toStdString());
    }
    EXPECT_EQ(OfficeVersionLine("/nowhere/program"), "LibreOffice: none found in /nowhere/program");
}
