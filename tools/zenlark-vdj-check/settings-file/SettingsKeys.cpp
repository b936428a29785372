// The plug-in's keys and the words that stand for them in other programs' settings.
#include "settings-file/SettingsKeys.h"

#include "AsciiCase.h"

#include <algorithm>
#include <vector>

const KeyWord keyWords[] = {
    {"url", "server_url"},         {"server", "server_url"},     {"serveraddress", "server_url"},
    {"address", "server_url"},     {"host", "server_url"},       {"hostname", "server_url"},
    {"serverhost", "server_url"},  {"ip", "server_url"},         {"serverip", "server_url"},
    {"port", "server_url"},        {"serverport", "server_url"}, {"streamurl", "server_url"},
    {"type", "protocol"},          {"servertype", "protocol"},   {"proto", "protocol"},
    {"dialect", "protocol"},       {"mountpoint", "mount"},      {"mountname", "mount"},
    {"streamid", "sid"},           {"streamnumber", "sid"},      {"id", "sid"},
    {"user", "username"},          {"login", "username"},        {"sourceuser", "username"},
    {"adminuser", "username"},     {"pass", "password"},         {"passwd", "password"},
    {"pwd", "password"},           {"pw", "password"},           {"sourcepassword", "password"},
    {"adminpassword", "password"}, {"djpassword", "password"},   {"sourcepass", "password"},
    {"prefix", "title_prefix"},    {"suffix", "title_suffix"},   {"delay", "title_delay"},
    {"skip", "skip_titles"},       {"skiptitle", "skip_titles"}, {"ignoretitles", "skip_titles"},
};
const std::size_t keyWordCount = sizeof(keyWords) / sizeof(keyWords[0]);

bool isReadKey(const std::string& key) {
    const std::string lowered = asciiLowered(key);
    for (const char* read : settingKeys) {
        if (lowered == read)
            return true;
    }
    return false;
}

// The key as the comparisons see it: lower case, without the separators people put between words.
static std::string bareWord(const std::string& key) {
    std::string bare;
    for (const char c : asciiLowered(key)) {
        if (c != '_' && c != '-' && c != '.' && c != ' ' && c != '\t')
            bare += c;
    }
    return bare;
}

// The number of letters to insert, delete, change or swap to turn one word into the other.
static std::size_t spellingDistance(const std::string& a, const std::string& b) {
    std::vector<std::vector<std::size_t>> d(a.size() + 1, std::vector<std::size_t>(b.size() + 1));
    for (std::size_t i = 0; i <= a.size(); ++i)
        d[i][0] = i;
    for (std::size_t j = 0; j <= b.size(); ++j)
        d[0][j] = j;
    for (std::size_t i = 1; i <= a.size(); ++i) {
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const std::size_t change = a[i - 1] == b[j - 1] ? 0 : 1;
            d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1, d[i - 1][j - 1] + change});
            if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1])
                d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
        }
    }
    return d[a.size()][b.size()];
}

// Short words are close only one letter away: "pw" two away from "id" is no misspelling of it.
static std::size_t allowedDistance(const std::string& word) {
    return word.size() <= 4 ? 1 : 2;
}

std::string meantKey(const std::string& written) {
    const std::string bare = bareWord(written);
    std::vector<KeyWord> words;
    for (const char* key : settingKeys)
        words.push_back(KeyWord{key, key});
    words.insert(words.end(), keyWords, keyWords + keyWordCount);
    for (const KeyWord& word : words) {
        if (bare == bareWord(word.written))
            return word.meant;
    }
    std::string nearest;
    std::size_t best = allowedDistance(bare) + 1;
    for (const KeyWord& word : words) {
        const std::string other = bareWord(word.written);
        if (other.size() <= 2)
            continue; // "ip", "id", "pw": one letter turns anything short into them
        const std::size_t distance = spellingDistance(bare, other);
        if (distance < best && distance <= allowedDistance(other)) {
            best = distance;
            nearest = word.meant;
        }
    }
    return nearest;
}
