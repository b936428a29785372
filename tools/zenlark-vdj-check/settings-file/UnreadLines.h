// Lines of the settings file the plug-in never reads: keys it does not know, each named with the
// key it most likely means and the line to write, and key lines above the first section; and the
// parts of read lines that the settings reader drops or keeps otherwise than they look.
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

// A warning for each line of the first section `name` whose value the reader takes otherwise
// than it looks: a blank at the end of title_prefix, or at the start of title_suffix, which it
// drops; a quote at the start that no quote at the end closes, which it keeps as part of the value.
std::vector<SettingsWarning> blankAndQuoteWarnings(const std::vector<SettingsSection>& sections,
                                                   const std::string& name);

// The key lines above the first section, as a problem of the section they were most likely
// meant for: the first one in the file where the plug-in reads it, else [stream].
std::vector<SettingsWarning> looseLineWarnings(const std::vector<SettingsLine>& loose,
                                               const std::vector<SettingsSection>& sections,
                                               const std::string& name);
