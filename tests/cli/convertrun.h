#pragma once

#include <QString>
#include <QStringList>

struct ConvertRun {
    int exitCode = -1;  // -1: it crashed or did not end in time
    QString out;
    QString err;
};

// Runs the built quillmoor-convert in `folder` (empty: the test's own) and waits for it.
ConvertRun RunConvert(const QStringList& arguments, const QString& folder = QString());
