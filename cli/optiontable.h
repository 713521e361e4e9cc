#pragma once

#include <QString>
#include <span>

class QCommandLineParser;

// Which runs an option belongs to: given to another kind of run it is refused
// with a reason rather than ignored.
enum class OptionRun { Any, Presentations, Frames, Query };

// One option of quillmoor-convert: its names, its value and its help. The
// table is the one place an option is declared; parser and help read it.
struct ConvertOption {
    const char* name;
    char shortName;         // 0: none
    const char* valueName;  // nullptr: a switch
    const char* help;
    OptionRun run;
};

std::span<const ConvertOption> ConvertOptionTable();

// Every option of the table added to `parser`.
void AddConvertOptions(QCommandLineParser& parser);

// "--name", or "-x, --name" where there is a short name.
QString OptionNames(const ConvertOption& option);

// The help text, every line within 80 columns.
QString ConvertUsage();
