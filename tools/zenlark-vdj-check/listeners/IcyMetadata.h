// The ICY metadata a stream carries between its audio bytes when a player asks for it.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

// The largest metadata block: its length byte counts 16-byte units.
constexpr std::size_t maxIcyBlockBytes = 255 * 16;

// The interval of an "icy-metaint" header: decimal digits only, from 1 to 16 MiB. Nothing for
// anything else, so a hostile or broken value never drives the reader.
std::optional<std::size_t> parseMetaint(const std::string& headerValue);

// Splits a stream answered with "icy-metaint: N" into its metadata blocks: after every N audio
// bytes comes one length byte L, then L * 16 bytes of metadata (none when L is 0). Bytes may
// arrive in pieces of any size. Audio bytes are only counted past, never kept.
class IcyMetadataReader {
  public:
    explicit IcyMetadataReader(std::size_t metaint);

    // The non-empty metadata blocks completed within this piece, in stream order.
    std::vector<std::string> feed(const char* data, std::size_t size);

  private:
    enum class Part { audio, length, metadata };

    std::size_t metaint_;
    Part part_ = Part::audio;
    std::size_t left_; // bytes left in the current audio run or metadata block
    std::string block_;
};

// The value of StreamTitle in one metadata block, as the server's bytes; nothing when the block
// has no StreamTitle. Servers do not escape quotes, so a title may hold "'" and even "';": the
// value ends at the first "';" that is followed by the block's end (or its zero padding) or by
// the next key, as in "StreamTitle='Guns N' Roses - Don't Cry';StreamUrl='';".
std::optional<std::string> streamTitle(const std::string& block);
