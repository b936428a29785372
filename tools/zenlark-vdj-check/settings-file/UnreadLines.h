// Lines of the settings file the plug-in never reads: keys it does not know, each named with the
// key it most likely means and the line to write, and key lines above the first section.
#pragma once

#include "settings-file/SettingsLayout.h"
#include "settings-file/SettingsMistakes.h"

#include <string>
#include <vector>

// A warning for each key of the first section `name` that the plug-in does not read. `used`
// holds the section's values as the plug-in reads them, defaults included. It is a problem
// (notAsWritten) where the plug-in then uses another value than the line says; a key that means
// nothing to the plug-in, or repeats what it reads anyway, only gets a warning.
std::vector<SettingsWarning> unreadKeyWarnings(const std::vector<SettingsSection>& sections,
                                               const std::string& name, const SectionValues& used);

// The key lines above the first section, as a problem of the section they were most likely
// meant for: the first one in the file where the plug-in reads it, else [stream].
std::vector<SettingsWarning> looseLineWarnings(const std::vector<SettingsLine>& loose,
                                               const std::vector<SettingsSection>& sections,
                                               const std::string& name);
