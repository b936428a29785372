// Reading host text buffers and composing the track text.
#include "nowplaying/TrackText.h"

#include <cstring>

static bool isContinuationByte(unsigned char byte) { return (byte & 0xC0) == 0x80; }

// Length of the UTF-8 sequence a lead byte opens; 0 for a byte that opens none.
static std::size_t sequenceLength(unsigned char lead) {
    if (lead < 0x80)
        return 1;
    if ((lead & 0xE0) == 0xC0)
        return 2;
    if ((lead & 0xF0) == 0xE0)
        return 3;
    if ((lead & 0xF8) == 0xF0)
        return 4;
    return 0;
}

// Drops a trailing UTF-8 sequence that the end of the buffer cut short.
static std::size_t withoutCutCharacter(const char* text, std::size_t length) {
    std::size_t start = length;
    std::size_t continuations = 0;
    while (start > 0 && continuations < 3 && isContinuationByte(static_cast<unsigned char>(text[start - 1]))) {
        --start;
        ++continuations;
    }
    if (start == 0)
        return length;
    const std::size_t needed = sequenceLength(static_cast<unsigned char>(text[start - 1]));
    if (needed > 1 && needed > continuations + 1)
        return start - 1;
    return length;
}

std::string textFromHostBuffer(const char* buffer, std::size_t size) {
    const void* terminator = std::memchr(buffer, '\0', size);
    if (terminator != nullptr)
        return std::string(buffer, static_cast<const char*>(terminator));
    return std::string(buffer, withoutCutCharacter(buffer, size));
}

std::string composeTrackText(const std::string& artist, const std::string& title) {
    if (artist.empty())
        return title;
    if (title.empty())
        return artist;
    return artist + " - " + title;
}
