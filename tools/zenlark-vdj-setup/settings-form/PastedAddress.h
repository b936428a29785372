// Splitting whatever a DJ pastes into the address field (what a hosting panel or an encoder
// shows) into the settings it holds.
#pragma once

#include "settings-form/ServerForm.h"

#include <optional>
#include <string>

struct PastedAddress {
    std::string serverUrl;                 // "http://host:port/" with the folder the server lives under
    std::optional<std::string> listenPath; // the stream listeners play, when the text named one: "/live"
    std::optional<std::string> mount;      // Icecast's mount, from a listen address or a query
    std::optional<std::string> sid;        // Shoutcast's stream number
    std::optional<std::string> username;   // from "user:password@" in front of the host
    std::optional<std::string> password;   // from there, from a query's pass=, or Shoutcast's "PW:#2"
    std::optional<ServerKindChoice> kind;  // where the text shows it: admin.cgi, /stream/2/, "/;"
};

// Takes a listen address ("http://host:8000/live.m3u"), an admin page address
// ("http://host:8000/admin.cgi?sid=2"), "host:port", an address with "user:password@" in it,
// Shoutcast's source password with its stream ("PW:#2"), an "icecast://" address; blanks,
// quotes and angle brackets around the text are dropped. An address without a scheme is http.
// Nothing in serverUrl when the text names no server.
PastedAddress splitPastedAddress(const std::string& text);

// Shoutcast's source password with its stream number, "PW:#2": the password and the number.
// Nothing for any other text.
std::optional<std::pair<std::string, std::string>> splitStreamPassword(const std::string& text);
