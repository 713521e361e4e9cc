// SPDX-License-Identifier: GPL-3.0-or-later
// Times exporting presentations one after another, each in a fresh engine
// forked from one parent, as a run's rows in turn take them.
// Usage: bench_export OUTPUT_FOLDER DECK...   prints "<seconds> <deck>" per deck
// and "<seconds> total" for the whole sequence.
#include <QDir>
#include <QElapsedTimer>
#include <QString>
#include <cstdio>

#include "platform/office/client/engineparent.h"
#include "util/failure.h"

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: bench_export OUTPUT_FOLDER DECK...\n");
        return 2;
    }
    const QString output = QString::fromLocal8Bit(argv[1]);
    QStringList decks;
    for (int i = 2; i < argc; ++i) decks << QString::fromLocal8Bit(argv[i]);

    QElapsedTimer total;
    total.start();
    EngineParent parent;
    int row = 0;
    for (const QString& deck : decks) {
        QElapsedTimer one;
        one.start();
        try {
            OfficeHelper helper(parent, deck, output);
            helper.open(deck);
            const QString target = QStringLiteral("%1/row%2/temp.bmp").arg(output).arg(++row);
            QDir().mkpath(QStringLiteral("%1/row%2").arg(output).arg(row));
            helper.saveAs(target);
        } catch (const Failure& failure) {
            std::fprintf(stderr, "%s\n", failure.description().toLocal8Bit().constData());
            return 1;
        }
        std::printf("%.3f %s\n", one.nsecsElapsed() / 1e9,
                    QDir(deck).dirName().toLocal8Bit().constData());
    }
    std::printf("%.3f total\n", total.nsecsElapsed() / 1e9);
    return 0;
}
