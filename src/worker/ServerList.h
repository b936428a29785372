// Which of the settings file's sections the worker updates.
#pragma once

#include "settings/SettingsFile.h"

#include <cstddef>
#include <vector>

// The index of an earlier ready section that updates the same server and mount (or stream id)
// as sections[index], or -1 when there is none.
int earlierDuplicate(const std::vector<StreamSection>& sections, std::size_t index);

// The ready sections, each server and mount once, in file order. With none ready, [stream]
// alone, so the worker polls and sends as it always did for one server that is not ready.
std::vector<StreamSection> serversToUpdate(const std::vector<StreamSection>& sections);
