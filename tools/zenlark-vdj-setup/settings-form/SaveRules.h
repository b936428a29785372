// What the setup window may save: only values the plug-in reads as meant, each within the
// profile reader's length, numbers where numbers belong.
#pragma once

#include "settings-form/ServerForm.h"

#include <string>
#include <utility>
#include <vector>

struct SaveProblem {
    std::string key;  // the settings key of the field to select
    std::string what; // what is wrong and what to write, in plain words
};

struct ValuesToSave {
    std::vector<std::pair<std::string, std::string>> values; // key and value, in the plug-in's order
    std::vector<SaveProblem> problems;                       // empty when the form may be saved
};

// The form's values made plain (blanks dropped around them, "/" before a mount, a point in the
// title delay, the skip list's lines joined by "|"), or what keeps them from being saved.
ValuesToSave valuesToSave(const ServerForm& form);

// The skip list as the window edits it, one text a line, and back as the file writes it.
std::string skipLinesOf(const std::string& written);
std::string skipListOf(const std::string& lines);

// The length the profile reader sees: UTF-16 code units of the UTF-8 text.
std::size_t utf16Length(const std::string& utf8);
