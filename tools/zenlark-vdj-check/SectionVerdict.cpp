// Joining what the file says with what the server did, so the last line names the real mistake.
#include "SectionVerdict.h"

static const char saveAsUnicode[] = "Save the settings file as Unicode (Notepad: File, Save as, Encoding "
                                    "\"UTF-16 LE\"); the plug-in then reads every value as written.";

static bool holds(const std::vector<std::string>& keys, const char* key) {
    for (const std::string& name : keys) {
        if (name == key)
            return true;
    }
    return false;
}

// What the server did, kept for whoever helps the DJ, beside its own numbers.
static std::string serverDetail(const CheckVerdict& server) {
    const std::string said =
        std::string("the server's verdict: ") + verdictLabel(server) + ", " + server.happened;
    return server.detail.empty() ? said : server.detail + "; " + said;
}

static CheckVerdict fileProblem(std::string happened, std::string advice, const CheckVerdict& server) {
    CheckVerdict result{false, std::move(happened), std::move(advice)};
    result.detail = serverDetail(server);
    return result;
}

static CheckVerdict misread(const CheckVerdict& server, const SectionReading& reading,
                            bool serverRefusedCredentials) {
    const bool password = holds(reading.misreadKeys, "password") || holds(reading.misreadKeys, "username");
    if (serverRefusedCredentials && password)
        return fileProblem(
            "The server refused the password: it holds letters outside ASCII, and the file is saved "
            "as UTF-8, which Windows reads as other letters.",
            saveAsUnicode, server);
    return fileProblem(
        "Windows will read " + listInWords(reading.misreadKeys) +
            " as other letters: the file is saved as UTF-8, and Windows reads it in its own code "
            "page.",
        saveAsUnicode, server);
}

// A warning that can explain a refused or failed update: not one about the title's own text.
static const SettingsWarning* explainingWarning(const std::vector<SettingsWarning>& warnings) {
    static const char* const order[] = {"server_url", "protocol", "mount", "sid", "username", "password"};
    for (const char* key : order) {
        for (const SettingsWarning& warning : warnings) {
            if (warning.key == key && !warning.reachesListeners)
                return &warning;
        }
    }
    return nullptr;
}

static const SettingsWarning* notAsWrittenWarning(const std::vector<SettingsWarning>& warnings) {
    for (const SettingsWarning& warning : warnings) {
        if (warning.notAsWritten)
            return &warning;
    }
    return nullptr;
}

// Run alone, the tool looks beside itself, where the plug-in looks too.
static CheckVerdict missingFile(const std::string& path) {
    return CheckVerdict{false,
                        "Nothing was sent: the settings lack server_url and password, because there is no "
                        "settings file " +
                            path + ".",
                        "The plug-in reads ZenlarkVdjStandalone.ini from its own folder, the DJ software's "
                        "plug-in folder: put the file there, beside ZenlarkVdjStandalone.dll and "
                        "ZenlarkVdjCheck.exe, and run the check from there (or give the file's path with "
                        "--settings)."};
}

static const SettingsWarning* titleWarning(const std::vector<SettingsWarning>& warnings) {
    for (const SettingsWarning& warning : warnings) {
        if (warning.reachesListeners)
            return &warning;
    }
    return nullptr;
}

CheckVerdict sectionVerdict(const CheckVerdict& server, const std::string& sectionName,
                            const SectionReading& reading, const std::vector<SettingsWarning>& warnings,
                            const UpdateFacts& update) {
    if (reading.headerLost)
        return fileProblem(
            "Windows will not find the section [" + sectionName +
                "]: the file is saved as UTF-8 with a byte-order mark, which Windows keeps in front "
                "of the first line. The plug-in would use none of its values.",
            std::string(saveAsUnicode) + " Or put a comment line (starting with \";\") first.", server);
    if (!reading.missingFile.empty())
        return missingFile(reading.missingFile);
    if (!reading.misreadKeys.empty())
        return misread(server, reading, update.credentialsRefused);
    if (const SettingsWarning* warning = notAsWrittenWarning(warnings))
        return fileProblem(warning->what, warning->fix, server);
    if (update.sent && isProblem(server)) {
        if (const SettingsWarning* warning = explainingWarning(warnings))
            return fileProblem(warning->what, warning->fix, server);
    }
    if (server.confirmed) {
        if (const SettingsWarning* warning = titleWarning(warnings))
            return fileProblem(warning->what + " Listeners would notice.", warning->fix, server);
    }
    return server;
}
