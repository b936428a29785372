// Fuzz target: a stream's bytes, as a hostile server might send them, through the ICY metadata
// reader, the StreamTitle extraction and the title's decoding for the console; and the same
// bytes as a server's status page, through the readers of Icecast's, Icecast-KH's and Shoutcast's
// pages and DNAS's list of streams, and as the headers and body that name a server.
#include "WellFormedUtf8.h"
#include "listeners/IcyMetadata.h"
#include "listeners/TitleText.h"
#include "server-answer/PublishedStatus.h"
#include "server-answer/ServerKind.h"
#include "server-answer/ShoutcastStreams.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

static void require(bool condition) {
    if (!condition)
        std::abort();
}

static bool printable(const std::string& utf8) {
    for (const char c : utf8) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F)
            return false;
    }
    return isWellFormedUtf8(utf8) && utf8.find("\xC2\x80") == std::string::npos;
}

// The first byte picks a small interval, the second the size of the pieces the rest arrives in.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2)
        return 0;
    const std::size_t metaint = std::size_t{1} + data[0] % 64;
    const std::size_t piece = std::size_t{1} + data[1] % 32;
    IcyMetadataReader reader(metaint);
    const char* stream = reinterpret_cast<const char*>(data + 2);
    const std::size_t length = size - 2;
    for (std::size_t at = 0; at < length; at += piece) {
        const std::size_t count = piece < length - at ? piece : length - at;
        for (const std::string& block : reader.feed(stream + at, count)) {
            require(!block.empty() && block.size() <= maxIcyBlockBytes && block.size() % 16 == 0);
            const std::optional<std::string> title = streamTitle(block);
            require(!title || title->size() < block.size());
            if (title)
                require(printable(displayTitle(*title)));
        }
    }
    const std::string page(stream, length);
    require(printable(displayTitle(page)));
    for (const auto parse : {parseIcecastStatus, parseIcecastStatusPage}) {
        if (const std::optional<std::vector<MountStatus>> mounts = parse(page)) {
            for (const MountStatus& mount : *mounts)
                require(!mount.path.empty() && mount.path[0] == '/');
        }
    }
    const ServerSigns signs{data[0] % 2 == 0 ? 200u : 404u, page.substr(0, length / 2),
                            page.substr(length / 2), page};
    require(describeServer(recogniseServer(signs).kind).name != nullptr);
    const std::optional<std::string> seven = parseSevenHtmlTitle(page);
    require(!seven || seven->size() <= page.size());
    const std::optional<std::string> stats = parseStatsSongTitle(page);
    require(!stats || stats->size() <= page.size());
    // Framed as one stream of the list too, so the bytes reach the reader of its elements.
    const std::string framed = "<SHOUTCASTSERVER><STREAMSTATS><STREAM id=\"" + page + "</STREAM>";
    for (const std::string& list : {page, framed}) {
        isServerFull(list);
        if (const std::optional<std::vector<ShoutcastStream>> streams = parseShoutcastStatistics(list)) {
            for (const ShoutcastStream& listed : *streams)
                require(listed.id > 0 && listed.path.size() <= list.size() && listed.title.size() <= list.size());
        }
    }
    return 0;
}
