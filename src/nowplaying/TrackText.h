// The track text: the host's artist and title joined as "Artist - Title".
#pragma once

#include <cstddef>
#include <string>

// The text of a host answer buffer up to its first NUL. A buffer the host filled without a NUL
// is cut inside it; a UTF-8 character split by that cut is dropped whole, so the rest still
// reads as UTF-8 instead of falling back to the ANSI code page.
std::string textFromHostBuffer(const char* buffer, std::size_t size);

// Artist, " - ", title; either one alone when the other is empty.
std::string composeTrackText(const std::string& artist, const std::string& title);
