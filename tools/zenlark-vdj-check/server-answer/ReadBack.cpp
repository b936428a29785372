// Comparing a server's status after an update with the title that was sent.
#include "server-answer/ReadBack.h"

std::optional<std::string> mountShowing(const ServerView& view, const std::string& sentTitle) {
    for (const MountStatus& mount : view.mounts) {
        if (mount.title && showsTitle(*mount.title, sentTitle))
            return mount.path;
    }
    return std::nullopt;
}

static ReadBack shownAt(std::string where) {
    ReadBack result;
    result.result = ReadBack::Result::shown;
    result.where = std::move(where);
    return result;
}

// A server whose status shows titles as its listeners get them: a title there encoded twice
// reaches them so. Icecast-KH stores it so on a mount whose charset is Latin-1.
static bool encodedTwiceForListeners(const ServerView& after, const std::string& shown,
                                     const std::string& sent) {
    return describeServer(after.kind).statusShowsListenersTitle && showsTitleEncodedTwice(shown, sent);
}

static ReadBack icecastReadBack(const ServerView& after, ServerDialect dialect, const std::string& mount,
                                const std::string& sentTitle) {
    const MountStatus* listened = findMount(after, mount);
    const std::optional<std::string> landed = mountShowing(after, sentTitle);
    if (listened != nullptr && listened->title &&
        encodedTwiceForListeners(after, *listened->title, sentTitle)) {
        ReadBack result;
        result.result = ReadBack::Result::encodedTwice;
        result.where = mount;
        result.shownTitle = *listened->title;
        return result;
    }
    if (listened != nullptr && listened->title && showsTitle(*listened->title, sentTitle))
        return shownAt(mount);
    ReadBack result;
    result.where = mount;
    if (dialect == ServerDialect::Shoutcast && listened == nullptr) {
        if (landed)
            return shownAt(*landed);
        // Its own Shoutcast mount may not show the title yet; nothing here names that mount.
        result.result = ReadBack::Result::notShown;
        result.where = "any of its mounts";
        return result;
    }
    if (landed) {
        result.result = ReadBack::Result::elsewhere;
        result.landedOn = *landed;
        return result;
    }
    if (listened == nullptr)
        return result; // the mount has no source: the answer says why
    result.result = ReadBack::Result::notShown;
    result.shownTitle = listened->title.value_or(std::string());
    return result;
}

static ReadBack readBackOn(const ServerView& after, ServerDialect dialect, const std::string& mount,
                           const std::string& sentTitle) {
    if (after.page == StatusPage::icecast)
        return icecastReadBack(after, dialect, mount, sentTitle);
    if (!after.title)
        return ReadBack{};
    const std::string where = "stream " + after.sid;
    if (showsTitle(*after.title, sentTitle))
        return shownAt(where);
    ReadBack result;
    result.result = ReadBack::Result::notShown;
    result.where = where;
    result.shownTitle = *after.title;
    return result;
}

ReadBack readBack(const ServerView& after, ServerDialect dialect, const std::string& mount,
                  const std::string& sentTitle) {
    ReadBack result = readBackOn(after, dialect, mount, sentTitle);
    result.page = after.page;
    return result;
}

const char* serverNameOf(const ReadBack& back) {
    return back.page == StatusPage::icecast ? "Icecast" : "Shoutcast";
}
