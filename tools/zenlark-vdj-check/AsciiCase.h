// Folding the letters A to Z to lower case, and nothing else: the names compared are ASCII, and a
// locale's case rules would make a comparison depend on the computer's language.
#pragma once

#include <string>

inline std::string asciiLowered(std::string text) {
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return text;
}
