// The poll-and-send loop of the worker thread, and the sender threads of several servers.
//
// With one server the worker thread polls and sends, as it always has. With several, the worker
// thread only polls the host and posts each poll's track text to every server's mailbox, and
// every server has a sender thread of its own that takes the newest text from there, so a server
// that hangs holds back no other. Each server's title gate (its delay and skip list) runs on the
// worker thread, timed by the poll that read the text, so a sender stuck in an exchange neither
// misses a short station ID nor stretches a wait. Who owns what:
//   worker thread: the host queries, the clock, every server's gate, posting to the mailboxes;
//   each sender:   its server's settings and its SendState entry, and the exchanges with it;
//   shared:        each mailbox (guarded by its own lock) and, read-only, the settings vector.
#include "worker/UpdateWorker.h"

#include "delivery/SendUpdate.h"
#include "delivery/TextEncoding.h"
#include "nowplaying/NowPlayingProbe.h"
#include "worker/PollWait.h"
#include "worker/ServerList.h"
#include "worker/SystemClock.h"
#include "worker/TitleGate.h"
#include "worker/TrackMailbox.h"

#include <array>
#include <thread>
#include <vector>

// The host's answer for this poll; false when asking failed (out of memory).
static bool readTrackText(const WorkerState& worker, std::string& trackText) noexcept {
    try {
        trackText = readNowPlaying(*worker.host);
        return true;
    } catch (...) {
        return false;
    }
}

// One server's part of a poll: decide, send if due, record. Out of memory in a send leaves the
// state as it stood; the next poll retries.
static void serveOnePoll(const std::string& trackText, const StreamSettings& settings, SendState& state) noexcept {
    try {
        runPoll(trackText, state, [&settings, &state](const std::string& text) {
            DeliveryReport report;
            return sendResultOf(sendUpdate(settings, text, state.methods, report), report);
        });
    } catch (...) {
    }
}

static SendState& sendStateOf(WorkerState& worker, const StreamSection& server) {
    return worker.sent[static_cast<std::size_t>(server.number - 1)];
}

// Replaces the host's text with what comes through the server's gate; false when out of memory.
static bool passGate(TitleGate& gate, std::string& trackText, std::int64_t pollStart) noexcept {
    try {
        trackText = gate.pass(trackText, pollStart);
        return true;
    } catch (...) {
        return false;
    }
}

static void pollForOneServer(WorkerState& worker, const StreamSection& server, PollClock& clock) {
    TitleGate gate = titleGateFor(server.settings, wideFromHostText);
    std::string trackText;
    while (!worker.stopRequested.load()) {
        const std::int64_t pollStart = clock.nowNanoseconds();
        if (readTrackText(worker, trackText) && passGate(gate, trackText, pollStart))
            serveOnePoll(trackText, server.settings, sendStateOf(worker, server));
        if (!waitForNextPoll(clock, pollStart, worker.stopRequested))
            return;
    }
}

static void serveFromMailbox(TrackMailbox& mailbox, const StreamSettings& settings, SendState& state) noexcept {
    std::uint64_t seenPoll = 0;
    std::string trackText;
    for (;;) {
        try {
            if (!mailbox.waitForPoll(seenPoll, trackText))
                return;
        } catch (...) {
            continue; // out of memory while taking the text: wait for the next poll
        }
        serveOnePoll(trackText, settings, state);
    }
}

// What the worker thread keeps for one of several servers: its gate, and the mailbox its
// sender takes the gated text from.
struct ServerFeed {
    TitleGate gate;
    TrackMailbox mailbox;
};

using ServerFeeds = std::array<ServerFeed, maxStreamSections>;

// The server's gated text of this poll, posted to its sender. Out of memory skips this server's
// poll; its gate and sender carry on with the next.
static void feedServer(ServerFeed& feed, const std::string& trackText, std::int64_t pollStart) noexcept {
    try {
        feed.mailbox.post(feed.gate.pass(trackText, pollStart));
    } catch (...) {
    }
}

// Joins every sender it started, also when a later one could not be started.
class SenderThreads {
public:
    explicit SenderThreads(ServerFeeds& feeds) : feeds_(feeds) {}
    ~SenderThreads() {
        for (ServerFeed& feed : feeds_)
            feed.mailbox.close();
        for (std::thread& sender : senders_)
            sender.join();
    }
    SenderThreads(const SenderThreads&) = delete;
    SenderThreads& operator=(const SenderThreads&) = delete;

    // A server whose thread cannot be started goes without updates; the others are served.
    void start(TrackMailbox& mailbox, const StreamSettings& settings, SendState& state) noexcept {
        try {
            senders_.emplace_back(serveFromMailbox, std::ref(mailbox), std::cref(settings), std::ref(state));
        } catch (...) {
        }
    }

private:
    ServerFeeds& feeds_;
    std::vector<std::thread> senders_;
};

static ServerFeed& feedOf(ServerFeeds& feeds, const StreamSection& server) {
    return feeds[static_cast<std::size_t>(server.number - 1)];
}

static void pollForSeveralServers(WorkerState& worker, const std::vector<StreamSection>& servers, PollClock& clock) {
    ServerFeeds feeds;
    for (const StreamSection& server : servers)
        feedOf(feeds, server).gate = titleGateFor(server.settings, wideFromHostText);
    SenderThreads senders(feeds);
    for (const StreamSection& server : servers)
        senders.start(feedOf(feeds, server).mailbox, server.settings, sendStateOf(worker, server));
    std::string trackText;
    while (!worker.stopRequested.load()) {
        const std::int64_t pollStart = clock.nowNanoseconds();
        if (readTrackText(worker, trackText)) {
            for (const StreamSection& server : servers)
                feedServer(feedOf(feeds, server), trackText, pollStart);
        }
        if (!waitForNextPoll(clock, pollStart, worker.stopRequested))
            return;
    }
}

void workerMain(WorkerState& worker) noexcept {
    std::vector<StreamSection> servers;
    try {
        servers = serversToUpdate(loadStreamSections());
        SystemClock clock;
        if (servers.size() == 1)
            pollForOneServer(worker, servers.front(), clock);
        else
            pollForSeveralServers(worker, servers, clock);
    } catch (...) {
        // Out of memory while reading the settings or starting: the worker ends; the host lives on.
    }
}
