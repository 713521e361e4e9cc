#pragma once

#include <QString>
#include <QStringList>

class Prompts;

// The rows one dropped entry adds: a file as it is; a folder, every file of its
// tree ("~" names and files that are exactly hidden + archive left out). An
// entry that vanished or cannot be read adds nothing.
QStringList DroppedEntryRows(const QString& entry, Prompts& prompts);

// The extensions of the presentations LibreOffice opens, without the dot.
QStringList PresentationExtensions();
// The presentations in a folder's tree, as a drop would add them but only
// those with a presentation's extension (any case): a picture or a text file
// beside the decks is no row.
QStringList FolderPresentations(const QString& folder, Prompts& prompts);

// The shipped samples: every file in the program folder's Samples/, by name.
QString SampleFolder(const QString& programFolder);
QStringList SampleFilePaths(const QString& programFolder);
