// The streams a Shoutcast DNAS server hosts, as its public /statistics page lists them: each
// stream's number, where listeners tune in, whether a source is live, its format, its listeners
// and its title. A server rented as a slot often has several: the station's AutoDJ on stream 1,
// a DJ's live input on another.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct ShoutcastStream {
    std::uint32_t id = 0;           // the number that sid= names
    std::string path;               // where listeners tune in: "/live3", or DNAS's own "/stream/3/"
    bool live = false;              // a source streams to it now
    std::string contentType;        // "audio/mpeg", "audio/aacp", ...; empty without a source
    std::uint32_t bitrate = 0;      // kbit/s; 0 without a source
    std::uint32_t listeners = 0;    // listening now
    std::uint32_t maxListeners = 0; // the most it lets in; 0 when the page names no limit
    std::string name;               // the stream's name, as its source gives it
    std::string title;              // the current song title; empty for none
};

// DNAS's /statistics in XML: every stream it hosts, configured or live, in the page's order.
// Nothing when the text is not that page.
std::optional<std::vector<ShoutcastStream>> parseShoutcastStatistics(const std::string& xml);

// True when the same page shows all the server's streams together at its own limit of listeners
// (maxuser): it then turns away new listeners of every stream.
bool isServerFull(const std::string& statisticsXml);

// The stream numbered `id`, or null.
const ShoutcastStream* findStream(const std::vector<ShoutcastStream>& streams, std::uint32_t id);

// The stream whose listeners tune in at `path`, or null. "live3", "/live3/" and DNAS's own
// "/stream/3/" name stream 3 when its path is "/live3".
const ShoutcastStream* streamAtPath(const std::vector<ShoutcastStream>& streams, const std::string& path);

// True when no more listeners get in: the stream has a limit and as many listeners.
bool isFull(const ShoutcastStream& stream);

// The stream as a DJ reads it in a list: "stream 3 (/live3, "Friday Night", live now)".
std::string streamInWords(const ShoutcastStream& stream);

// The stream a DNAS title update reaches: N for a password that ends in ":#N", which DNAS reads
// before sid; else the number sid starts with ("3" and "3x" give 3); stream 1 for none or 0.
std::uint32_t dnasStreamOf(const std::string& sid, const std::string& password);

// The N of a password that ends in ":#N", DNAS's way of naming the stream in the password; none
// for any other password.
std::optional<std::uint32_t> streamInPassword(const std::string& password);
