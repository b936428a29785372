// Copies of the plug-in side by side: the DJ software loads every one, and each of them reads
// the same settings file and sends every title.
#pragma once

#include "CheckVerdict.h"

#include <optional>
#include <string>
#include <vector>

// The plug-in's files among the names of one folder's files: ZenlarkVdjStandalone.dll and every
// DLL whose name starts as its name does ("ZenlarkVdjStandalone (1).dll", "... - Copy.dll").
std::vector<std::string> pluginCopies(const std::vector<std::string>& fileNames);

// Nothing for one copy or none; for more, the problem, naming the copies to delete.
std::optional<CheckVerdict> pluginCopiesVerdict(const std::vector<std::string>& copies);
