// Icecast's /status-json.xsl read with nlohmann-json. It has a file of its own because the
// library's header is slow to compile: the other status pages do without it.
#include "server-answer/PublishedStatus.h"

#include "UrlText.h"

#include <nlohmann/json.hpp>

#include <cstdint>

using Json = nlohmann::json;

namespace {

// Deeper than any status page nests: such a document is refused, not built.
constexpr int maxJsonDepth = 16;

// The document, or nothing when the text is not well-formed JSON or nests deeper than the limit.
std::optional<Json> readJson(const std::string& text) {
    bool tooDeep = false;
    const Json::parser_callback_t keepShallow = [&tooDeep](int depth, Json::parse_event_t, Json&) {
        tooDeep = tooDeep || depth > maxJsonDepth;
        return !tooDeep;
    };
    Json document = Json::parse(text, keepShallow, false);
    if (tooDeep || document.is_discarded())
        return std::nullopt;
    return document;
}

std::string memberText(const Json& object, const char* name) {
    const auto found = object.find(name);
    return found != object.end() && found->is_string() ? found->get<std::string>() : std::string();
}

// The path of a listen address: "http://host:8000/live" gives "/live", one without a path "/".
std::string pathOf(const std::string& url) {
    const std::string path = urlPath(url);
    return path.empty() ? "/" : path;
}

MountStatus mountOf(const Json& source) {
    MountStatus mount;
    mount.path = pathOf(memberText(source, "listenurl"));
    mount.contentType = memberText(source, "server_type");
    // A mount with a fallback stays listed after its encoder left, without a type.
    mount.hasSource = source.contains("server_type");
    mount.subtype = memberText(source, "subtype");
    const auto listeners = source.find("listeners");
    if (listeners != source.end() && listeners->is_number_unsigned())
        mount.listeners = listeners->get<std::uint32_t>();
    const auto title = source.find("title");
    if (title != source.end() && title->is_string())
        mount.title = title->get<std::string>();
    return mount;
}

} // namespace

std::optional<std::vector<MountStatus>> parseIcecastStatus(const std::string& json) {
    const std::optional<Json> document = readJson(json);
    if (!document || !document->is_object())
        return std::nullopt;
    const auto stats = document->find("icestats");
    if (stats == document->end() || !stats->is_object())
        return std::nullopt;
    std::vector<MountStatus> mounts;
    const auto sources = stats->find("source");
    if (sources == stats->end())
        return mounts; // no mount is live
    if (sources->is_object())
        mounts.push_back(mountOf(*sources));
    if (sources->is_array()) {
        for (const Json& source : *sources) {
            if (source.is_object())
                mounts.push_back(mountOf(source));
        }
    }
    return mounts;
}
