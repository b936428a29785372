// A stream title's bytes as UTF-8 text that is safe to print.
#pragma once

#include <string>

// The title as UTF-8: kept when it is well-formed UTF-8, else read as Latin-1, which older
// servers send. Control characters (C0, DEL, C1) become U+FFFD, so a title can neither move
// the cursor nor send escape sequences to the console.
std::string displayTitle(const std::string& bytes);
