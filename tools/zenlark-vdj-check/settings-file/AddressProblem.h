// Why a server_url as written cannot be used.
#pragma once

#include <string>

// Why server_url cannot be used, in plain words; empty when nothing is visibly wrong with it.
std::string explainAddressProblem(const std::wstring& serverUrl);
