// The tool's command line.
#pragma once

#include "listeners/TitleWatch.h"

#include <string>

struct CheckOptions {
    std::wstring settingsPath; // empty: the file beside this program
    std::wstring title;        // empty: a title naming the check and the time
    std::wstring section;      // empty: every section of a server
    bool send = true;
    WatchOptions watch;
};

enum class ParseResult { run, helpShown, badArguments };

// Reads the arguments into `options`; shows the usage for --help, and says what is wrong with
// bad arguments on the error output.
ParseResult parseOptions(int argc, wchar_t** argv, CheckOptions& options);
