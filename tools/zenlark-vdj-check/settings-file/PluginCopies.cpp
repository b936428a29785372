// Telling the plug-in's copies from the other DLLs in its folder by their names.
#include "settings-file/PluginCopies.h"

#include "AsciiCase.h"
#include "TextParts.h"

static const std::string pluginFileName = "ZenlarkVdjStandalone.dll";
static const std::string pluginStem = "zenlarkvdjstandalone";

static bool isPluginFile(const std::string& name) {
    return asciiLowered(name) == asciiLowered(pluginFileName);
}

std::vector<std::string> pluginCopies(const std::vector<std::string>& fileNames) {
    std::vector<std::string> copies;
    for (const std::string& name : fileNames) {
        const std::string lowered = asciiLowered(name);
        if (startsWith(lowered, pluginStem) && endsWith(lowered, ".dll"))
            copies.push_back(name);
    }
    return copies;
}

static std::string timesInWords(std::size_t count) {
    return count == 2 ? "twice" : std::to_string(count) + " times";
}

static std::string countInWords(std::size_t count) {
    return count == 2 ? "two" : std::to_string(count);
}

std::optional<CheckVerdict> pluginCopiesVerdict(const std::vector<std::string>& copies) {
    if (copies.size() < 2)
        return std::nullopt;
    std::vector<std::string> others;
    bool pluginPresent = false;
    for (const std::string& copy : copies) {
        if (isPluginFile(copy))
            pluginPresent = true;
        else
            others.push_back(copy);
    }
    const std::string happened = "The plug-in's folder holds " + countInWords(copies.size()) +
                                 " copies of the plug-in (" + listInWords(copies) +
                                 "): the DJ software loads each of them, and each sends every title, so the "
                                 "server gets every title " +
                                 timesInWords(copies.size()) + ".";
    if (!pluginPresent)
        return CheckVerdict{false, happened,
                            "Delete all of them but one, and rename that one to " + pluginFileName + "."};
    return CheckVerdict{false, happened, "Delete " + listInWords(others) + "; keep " + pluginFileName + "."};
}
