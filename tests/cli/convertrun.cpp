#include "convertrun.h"

#include <QProcess>

#include "../support/testsupport.h"

ConvertRun RunConvert(const QStringList& arguments, const QString& folder) {
    QProcess process;
    if (!folder.isEmpty()) process.setWorkingDirectory(folder);
    process.start(binDir() + QStringLiteral("/quillmoor-convert"), arguments);
    ConvertRun run;
    if (!process.waitForFinished(180000)) return run;
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.out = QString::fromLocal8Bit(process.readAllStandardOutput());
    run.err = QString::fromLocal8Bit(process.readAllStandardError());
    return run;
}
