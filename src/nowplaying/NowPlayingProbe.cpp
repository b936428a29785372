// Host queries for the now-playing text, in the order the host sees them.
#include "nowplaying/NowPlayingProbe.h"

#include "nowplaying/DeckScoring.h"
#include "nowplaying/TrackText.h"

#include <cstdio>

constexpr std::size_t commandSize = 64;
constexpr std::size_t answerSize = 512;

struct DeckCommand {
    char text[commandSize];
};

static DeckCommand deckCommand(const char* format, int deck) {
    DeckCommand command{};
    std::snprintf(command.text, sizeof command.text, format, deck);
    return command;
}

// An unanswered query, or callbacks the host has not set, reads as 0.
static double queryNumber(const PluginObject& plugin, const char* command) {
    double value = 0.0;
    HostCallbacks* callbacks = plugin.callbacks;
    if (callbacks == nullptr || callbacks->table == nullptr || callbacks->table->queryNumber == nullptr)
        return value;
    callbacks->table->queryNumber(callbacks, command, &value);
    return value;
}

// An unanswered query reads as empty text.
static std::string queryText(const PluginObject& plugin, const char* command) {
    char answer[answerSize] = {};
    HostCallbacks* callbacks = plugin.callbacks;
    if (callbacks == nullptr || callbacks->table == nullptr || callbacks->table->queryText == nullptr)
        return std::string();
    callbacks->table->queryText(callbacks, command, answer, static_cast<std::int32_t>(sizeof answer));
    return textFromHostBuffer(answer, sizeof answer);
}

std::string readNowPlaying(const PluginObject& plugin) {
    const double crossfader = queryNumber(plugin, "crossfader");
    DeckState decks[deckCount];
    for (int deck = 1; deck <= deckCount; ++deck) {
        decks[deck - 1].play = queryNumber(plugin, deckCommand("deck %d play", deck).text);
        decks[deck - 1].volume = queryNumber(plugin, deckCommand("deck %d volume", deck).text);
    }
    const int chosen = chooseAudibleDeck(crossfader, decks);
    if (chosen == noDeck)
        return std::string();
    const std::string artist = queryText(plugin, deckCommand("deck %d get_artist", chosen).text);
    const std::string title = queryText(plugin, deckCommand("deck %d get_title", chosen).text);
    return composeTrackText(artist, title);
}
