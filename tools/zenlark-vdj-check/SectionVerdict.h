// One verdict per section: the server's verdict, unless the settings file explains it better.
// A file that Windows will read wrongly is a problem whatever the server did, since the check
// may have read it differently (Wine's reader decodes UTF-8; Windows' does not).
#pragma once

#include "CheckVerdict.h"
#include "settings-file/SettingsFileEncoding.h"
#include "settings-file/SettingsMistakes.h"

#include <string>
#include <vector>

// What the update did, as far as the file's problems can explain it.
struct UpdateFacts {
    bool sent = false;               // a request went out: the settings were complete and usable
    bool credentialsRefused = false; // the server refused the user name or password
};

CheckVerdict sectionVerdict(const CheckVerdict& server, const std::string& sectionName,
                            const SectionReading& reading, const std::vector<SettingsWarning>& warnings,
                            const UpdateFacts& update);
