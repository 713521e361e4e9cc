#pragma once

#include <QString>
#include <QStringList>

#include "cli/convertoptions.h"
#include "util/storedoptions.h"
#include "video/compressoptions.h"
#include "video/videosettings.h"

// What a presentation run takes where its options say nothing: the settings
// the window stored, or with --no-settings the program's own defaults.
struct RunDefaults {
    OptionButtons options{true, false, true, false};
    QString outputFolder;  // "Text2"
    QString frameRate;     // "Delay"
    VideoSettings video;
    CompressOptions compression;  // for the run's container
    // The stored settings that made this run differ from the program's
    // defaults, as "file type mp4", "video height 480", ...
    QStringList changed;
};

RunDefaults LoadRunDefaults(const ConvertRequest& request);
