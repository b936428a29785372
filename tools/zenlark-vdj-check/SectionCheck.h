// The check of each server section in turn: what the file says, what the server did, what
// listeners see; then one summary line per section.
#pragma once

#include "CheckOptions.h"

// The exit code: 0 only when every section checked was confirmed; 1 a problem; 2 no such section,
// or a --tracklist or --now-playing file that cannot be written.
int runCheck(const CheckOptions& options);
