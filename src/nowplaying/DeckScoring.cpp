// Deck scoring: which of the four decks is most audible.
#include "nowplaying/DeckScoring.h"

static bool isPlaying(const DeckState& state) { return state.play > 0.5; }

double deckScore(int deck, const DeckState& state, double crossfader) {
    const double playing = isPlaying(state) ? 1.0 : 0.0;
    const double level = playing * state.volume;
    if (deck == 1)
        return level * (1.0 - crossfader);
    if (deck == 2)
        return level * crossfader;
    return level;
}

int chooseAudibleDeck(double crossfader, const DeckState (&decks)[deckCount]) {
    double bestScore = 0.0;
    int chosen = noDeck;
    for (int deck = 1; deck <= deckCount; ++deck) {
        const double score = deckScore(deck, decks[deck - 1], crossfader);
        if (score > bestScore) {
            bestScore = score;
            chosen = deck;
        }
    }
    return chosen;
}
