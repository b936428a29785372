// The two server dialects of the title update and how the protocol setting selects one.
#pragma once

#include <string>

enum class ServerDialect { Icecast, Shoutcast };

// Shoutcast when the lower-cased protocol contains "shoutcast" or is exactly "sc1" or "sc2";
// Icecast for everything else, the empty protocol included. Nothing is trimmed.
ServerDialect detectDialect(const std::wstring& protocol);
