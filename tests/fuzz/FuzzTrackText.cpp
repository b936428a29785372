// Fuzz target: the now-playing probe against a host whose every answer comes from the input.
#include "nowplaying/NowPlayingProbe.h"
#include "nowplaying/TrackText.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

static void require(bool condition) {
    if (!condition)
        std::abort();
}

// The host's answers are taken from the input in query order: 8 bytes per number, then for each
// text a length byte and that many bytes (without any NUL the whole 512-byte buffer is filled).
struct InputHost {
    HostCallbacks callbacks;
    const std::uint8_t* data;
    std::size_t size;
    std::size_t used = 0;

    std::size_t take(void* out, std::size_t wanted) {
        const std::size_t n = wanted < size - used ? wanted : size - used;
        std::memcpy(out, data + used, n);
        used += n;
        return n;
    }
};

static InputHost& of(HostCallbacks* self) { return *reinterpret_cast<InputHost*>(self); }

static HostResult answerNumber(HostCallbacks* self, const char*, double* value) {
    of(self).take(value, sizeof *value); // fewer bytes leave the caller's zero in place
    return 0;
}

static HostResult answerText(HostCallbacks* self, const char*, char* buffer, std::int32_t size) {
    InputHost& host = of(self);
    std::uint8_t length = 0;
    if (host.take(&length, 1) == 0)
        return 0;
    const std::size_t room = static_cast<std::size_t>(size);
    const std::size_t wanted = length == 0xFF ? room : length; // 0xFF: fill the buffer, no NUL
    host.take(buffer, wanted < room ? wanted : room);
    return 0;
}

static const HostCallbacksTable table{nullptr, answerNumber, answerText};

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    InputHost host{{&table}, data, size, 0};
    const PluginObject plugin{nullptr, nullptr, &host.callbacks};
    const std::string text = readNowPlaying(plugin);
    require(text.size() <= 512 + 3 + 512);
    require(text.find('\0') == std::string::npos);

    // The buffer reader on the raw input: a prefix of it, no NUL, never past the size.
    const std::string cut = textFromHostBuffer(reinterpret_cast<const char*>(data), size);
    require(cut.size() <= size && std::memcmp(cut.data(), data, cut.size()) == 0);
    require(cut.find('\0') == std::string::npos);
    require(cut.size() + 3 >= size || std::memchr(data, 0, size) != nullptr); // cuts at most one character

    const std::string joined = composeTrackText(cut, cut);
    require(joined.empty() == cut.empty());
    return 0;
}
