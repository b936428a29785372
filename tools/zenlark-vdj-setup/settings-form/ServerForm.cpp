// Reading the server sections of a settings file's text into the window's forms.
#include "settings-form/ServerForm.h"

#include "AsciiCase.h"
#include "TextParts.h"
#include "settings-file/SettingsLayout.h"

// "shoutcast" followed by the version, with or without " ", "-", "_" or "v" between.
static bool namesVersion(const std::string& lowered, char version) {
    for (std::size_t at = lowered.find("shoutcast"); at != std::string::npos;
         at = lowered.find("shoutcast", at + 1)) {
        std::size_t next = at + 9;
        while (next < lowered.size() &&
               (lowered[next] == ' ' || lowered[next] == '-' || lowered[next] == '_' || lowered[next] == 'v'))
            ++next;
        if (next < lowered.size() && lowered[next] == version)
            return true;
    }
    return false;
}

ServerKindChoice kindOfProtocol(const std::string& protocol, const std::string& sid) {
    if (!isShoutcast(protocol))
        return ServerKindChoice::icecast;
    const std::string lowered = asciiLowered(protocol);
    if (lowered == "sc2" || namesVersion(lowered, '2'))
        return ServerKindChoice::shoutcast2;
    if (lowered == "sc1" || namesVersion(lowered, '1'))
        return ServerKindChoice::shoutcast1;
    return sid.empty() || sid == "1" ? ServerKindChoice::shoutcast1 : ServerKindChoice::shoutcast2;
}

static const char* ownProtocol(ServerKindChoice kind) {
    switch (kind) {
    case ServerKindChoice::shoutcast2:
        return "shoutcast2";
    case ServerKindChoice::shoutcast1:
        return "shoutcast1";
    case ServerKindChoice::icecast:
    case ServerKindChoice::stationPlatform:
        break;
    }
    return "icecast2";
}

bool isIcecastLike(ServerKindChoice kind) {
    return kind == ServerKindChoice::icecast || kind == ServerKindChoice::stationPlatform;
}

// A station platform's input is saved as Icecast, so either choice keeps an Icecast protocol.
static bool sameDialectKind(ServerKindChoice left, ServerKindChoice right) {
    return left == right || (isIcecastLike(left) && isIcecastLike(right));
}

std::string protocolToSave(const ServerForm& form) {
    const std::string kept = trimmed(form.protocol);
    if (!kept.empty() && sameDialectKind(kindOfProtocol(kept, form.sid), form.kind))
        return kept;
    return ownProtocol(form.kind);
}

std::string readValue(const std::string& written) {
    const std::string value = trimmed(written);
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
        return value.substr(1, value.size() - 2);
    return value;
}

// The value of the key's first line, or `otherwise` when the section has none.
static std::string valueOf(const SettingsSection* section, const char* key, const char* otherwise) {
    if (section == nullptr)
        return otherwise;
    for (const SettingsLine& line : section->entries) {
        if (asciiLowered(line.key) == key)
            return readValue(line.value);
    }
    return otherwise;
}

static ServerForm formOf(const SettingsSection* section, const std::string& name) {
    ServerForm form;
    form.section = name;
    form.serverUrl = valueOf(section, "server_url", "");
    form.protocol = valueOf(section, "protocol", "icecast2");
    form.mount = valueOf(section, "mount", "/live");
    form.sid = valueOf(section, "sid", "1");
    form.username = valueOf(section, "username", "source");
    form.password = valueOf(section, "password", "");
    form.titlePrefix = valueOf(section, "title_prefix", "");
    form.titleSuffix = valueOf(section, "title_suffix", "");
    form.titleDelay = valueOf(section, "title_delay", "");
    form.skipTitles = valueOf(section, "skip_titles", "");
    form.kind = kindOfProtocol(form.protocol, form.sid);
    return form;
}

std::vector<ServerForm> formsFromText(const std::string& text) {
    const std::vector<SettingsSection> sections = settingsSections(text);
    std::vector<ServerForm> forms;
    for (int number = 1; number <= lastSectionNumber; ++number) {
        const std::string name = sectionName(number);
        const SettingsSection* section = firstSectionNamed(sections, name);
        if (section != nullptr || number == 1)
            forms.push_back(formOf(section, name));
    }
    return forms;
}

std::optional<std::string> freeSectionName(const std::vector<ServerForm>& forms) {
    for (int number = 2; number <= lastSectionNumber; ++number) {
        bool taken = false;
        for (const ServerForm& form : forms)
            taken = taken || asciiLowered(form.section) == sectionName(number);
        if (!taken)
            return sectionName(number);
    }
    return std::nullopt;
}
