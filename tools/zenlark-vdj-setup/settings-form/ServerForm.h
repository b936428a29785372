// One server section as the setup window shows it, read from the settings file's text the way the
// plug-in's profile reader reads it.
#pragma once

#include <optional>
#include <string>
#include <vector>

// The kinds of server the window offers. A station platform's live-DJ input is Liquidsoap's
// harbor, whose Icecast-style input takes the update as Icecast does.
enum class ServerKindChoice { icecast, shoutcast2, shoutcast1, stationPlatform };

// Icecast and a station platform's input: both take Icecast's update, so both save an Icecast protocol.
bool isIcecastLike(ServerKindChoice kind);

// The values of one section, as UTF-8 text; every key the plug-in reads, with its default where
// the file has none.
struct ServerForm {
    std::string section = "stream"; // "stream", "stream2" ... "stream8"
    ServerKindChoice kind = ServerKindChoice::icecast;
    std::string protocol = "icecast2"; // as the file has it; kept while the kind stays the same
    std::string serverUrl;
    std::string mount = "/live";
    std::string sid = "1";
    std::string username = "source";
    std::string password;
    std::string titlePrefix;
    std::string titleSuffix;
    std::string titleDelay;
    std::string skipTitles; // as the file writes it: "station id|jingle"
};

// The kind a protocol value names. A plain "shoutcast" means version 2 only for a sid other
// than 1, as the plug-in's watch takes it.
ServerKindChoice kindOfProtocol(const std::string& protocol, const std::string& sid);

// The protocol value to save for the form's kind: the one the file had when it names that kind,
// else the kind's own name ("icecast2", "shoutcast2", "shoutcast1").
std::string protocolToSave(const ServerForm& form);

// The value as the profile reader delivers it from a written value: blanks around it dropped,
// and one pair of matching quotes (double or single) around the rest removed.
std::string readValue(const std::string& written);

// Each server section the plug-in reads ([stream], [stream2] to [stream8]) that the text holds,
// [stream] always, in number order; of a section written twice only the first, of a key written
// twice only the first line, names in any case.
std::vector<ServerForm> formsFromText(const std::string& text);

// The lowest section number from 2 to 8 that no form has, or nothing when all are taken.
std::optional<std::string> freeSectionName(const std::vector<ServerForm>& forms);
