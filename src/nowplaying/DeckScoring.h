// Picks the deck the audience hears from the crossfader and each deck's play state and volume.
#pragma once

constexpr int deckCount = 4;
constexpr int noDeck = 0;

struct DeckState {
    double play = 0.0;   // the host's play value; above 0.5 means playing
    double volume = 0.0; // used as the host gives it, never clamped
};

// Score of deck 1..4: decks 1 and 2 are weighted by the crossfader, 3 and 4 by volume alone.
double deckScore(int deck, const DeckState& state, double crossfader);

// The deck with the highest positive score, the lower number on ties; noDeck when none scores
// above zero. A NaN score never wins because every comparison with it is false.
int chooseAudibleDeck(double crossfader, const DeckState (&decks)[deckCount]);
