// The stream listener: WinHTTP GET with ICY metadata, a bounded read loop, reconnects.
#include "listeners/StreamListener.h"

#include "listeners/IcyMetadata.h"
#include "server-answer/PublishedStatus.h"

#include "delivery/HttpSession.h"
#include "delivery/UrlCracking.h"

#include <algorithm>
#include <array>

// Without "Mozilla": Shoutcast servers send browsers an HTML page instead of the stream.
static const wchar_t userAgent[] = L"ZenlarkVdjCheck/1.0";

// Milliseconds for name resolution, connect, send and each wait for the answer or stream data.
// A stream that sends nothing for the receive limit counts as dropped. The limits also bound
// how long stop() can take where closing the request does not end a pending call (Wine's
// WinHTTP waits on the socket until data or the limit comes; Windows' returns at once).
static constexpr int resolveTimeout = 5000;
static constexpr int connectTimeout = 5000;
static constexpr int sendTimeout = 5000;
static constexpr int receiveTimeout = 5000;
static constexpr int reconnectPauseSeconds = 3;
static constexpr std::size_t readBufferBytes = 16 * 1024;

// The request handle of the current connection, closable from another thread: closing it makes
// a pending synchronous WinHTTP call on it return, which is how stop() ends a stalled read.
class RequestSlot {
  public:
    RequestSlot() = default;
    RequestSlot(const RequestSlot&) = delete;
    RequestSlot& operator=(const RequestSlot&) = delete;
    ~RequestSlot() { close(); }

    // Takes ownership; false, with the handle closed, once cancelled.
    bool hold(HINTERNET request) {
        const std::lock_guard<std::mutex> lock(mutex_);
        if (cancelled_) {
            WinHttpCloseHandle(request);
            return false;
        }
        request_ = request;
        return true;
    }

    void close() {
        const std::lock_guard<std::mutex> lock(mutex_);
        closeHeld();
    }

    void cancel() {
        const std::lock_guard<std::mutex> lock(mutex_);
        cancelled_ = true;
        closeHeld();
    }

  private:
    void closeHeld() {
        if (request_ != nullptr)
            WinHttpCloseHandle(request_);
        request_ = nullptr;
    }

    std::mutex mutex_;
    HINTERNET request_ = nullptr;
    bool cancelled_ = false;
};

// Closes the slot's request when a connection ends, on every path.
class HeldRequest {
  public:
    explicit HeldRequest(RequestSlot& slot) : slot_(slot) {}
    HeldRequest(const HeldRequest&) = delete;
    HeldRequest& operator=(const HeldRequest&) = delete;
    ~HeldRequest() { slot_.close(); }

  private:
    RequestSlot& slot_;
};

std::optional<StreamTarget> streamTargetFromUrl(const std::wstring& url) {
    std::array<wchar_t, 512> hostName{};
    std::array<wchar_t, 2048> urlPath{};
    std::array<wchar_t, 2048> extraInfo{};
    URL_COMPONENTS components{};
    components.dwStructSize = sizeof(components);
    components.lpszHostName = hostName.data();
    components.dwHostNameLength = static_cast<DWORD>(hostName.size() - 1);
    components.lpszUrlPath = urlPath.data();
    components.dwUrlPathLength = static_cast<DWORD>(urlPath.size() - 1);
    components.lpszExtraInfo = extraInfo.data();
    components.dwExtraInfoLength = static_cast<DWORD>(extraInfo.size() - 1);
    // ICU_ESCAPE turns spaces and bytes outside ASCII in path and query into %XX.
    if (!WinHttpCrackUrl(url.c_str(), 0, ICU_ESCAPE, &components) || components.dwHostNameLength == 0)
        return std::nullopt;
    if (components.nScheme != INTERNET_SCHEME_HTTP && components.nScheme != INTERNET_SCHEME_HTTPS)
        return std::nullopt;
    StreamTarget target;
    target.secure = components.nScheme == INTERNET_SCHEME_HTTPS;
    target.hostName.assign(hostName.data(), components.dwHostNameLength);
    target.port = components.nPort;
    if (const std::optional<BracketedHost> bracketed = bracketedHost(url)) {
        if (!bracketed->usable)
            return std::nullopt;
        target.hostName = bracketed->hostName;
        target.port =
            bracketed->port != 0 ? bracketed->port : static_cast<std::uint16_t>(target.secure ? 443 : 80);
    }
    target.pathAndQuery.assign(urlPath.data(), components.dwUrlPathLength);
    if (target.pathAndQuery.empty())
        target.pathAndQuery = L"/";
    std::wstring extra(extraInfo.data(), components.dwExtraInfoLength);
    target.pathAndQuery += extra.substr(0, extra.find(L'#'));
    return target;
}

std::wstring streamUrlText(const StreamTarget& target) {
    const bool defaultPort = target.port == (target.secure ? 443 : 80);
    const std::wstring port = defaultPort ? std::wstring() : L":" + std::to_wstring(target.port);
    return std::wstring(target.secure ? L"https://" : L"http://") + target.hostName + port +
           target.pathAndQuery;
}

StreamListener::StreamListener(StreamTarget target, StreamEvents& events)
    : target_(std::move(target)), events_(events), slot_(std::make_unique<RequestSlot>()) {}

StreamListener::~StreamListener() {
    stop();
}

void StreamListener::start() {
    thread_ = std::thread([this] { run(); });
}

void StreamListener::stop() {
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    slot_->cancel();
    if (thread_.joinable())
        thread_.join();
}

// False when stop() came first.
bool StreamListener::pause(int seconds) {
    std::unique_lock<std::mutex> lock(mutex_);
    return !wake_.wait_for(lock, std::chrono::seconds(seconds), [this] { return stopping_.load(); });
}

void StreamListener::run() {
    bool everHeard = false;
    while (!stopping_) {
        bool heard = false;
        const std::optional<StreamFailure> failure = listenOnce(everHeard, heard);
        everHeard = everHeard || heard;
        if (stopping_ || !failure)
            return;
        events_.failed(*failure, everHeard, reconnectPauseSeconds);
        if (!everHeard || !pause(reconnectPauseSeconds))
            return;
    }
}

static StreamFailure failedAt(StreamStep step) {
    StreamFailure failure;
    failure.step = step;
    failure.platformError = GetLastError();
    return failure;
}

static std::optional<std::wstring> headerText(HINTERNET request, DWORD query, const wchar_t* name) {
    std::array<wchar_t, 256> value{};
    DWORD size = static_cast<DWORD>((value.size() - 1) * sizeof(wchar_t));
    if (!WinHttpQueryHeaders(request, query, name, value.data(), &size, WINHTTP_NO_HEADER_INDEX))
        return std::nullopt;
    return std::wstring(value.data(), size / sizeof(wchar_t));
}

// Header values of interest are ASCII; anything else is dropped rather than guessed.
static std::string asciiText(const std::wstring& text) {
    std::string ascii;
    for (const wchar_t c : text) {
        if (c > 0 && c < 0x80)
            ascii += static_cast<char>(c);
    }
    return ascii;
}

// How the server put its refusal: the status line's words and, for a page, the start of its body.
static std::string refusalWords(HINTERNET request) {
    constexpr std::size_t bodyBytesToRead = 2048;
    std::string words = asciiText(headerText(request, WINHTTP_QUERY_STATUS_TEXT, WINHTTP_HEADER_NAME_BY_INDEX)
                                      .value_or(std::wstring()));
    const std::wstring type = headerText(request, WINHTTP_QUERY_CONTENT_TYPE, WINHTTP_HEADER_NAME_BY_INDEX)
                                  .value_or(std::wstring());
    if (!isPageContentType(asciiText(type)))
        return words;
    std::string body;
    readAnswerBody(request, body, bodyBytesToRead);
    words += ' ';
    for (const char c : body) {
        if (c != '\0' && static_cast<unsigned char>(c) < 0x80)
            words += c;
    }
    return words;
}

// Reads the stream until it ends, fails or stop() closes the request. The events are told of
// the connection once the answer proved to be a stream with metadata; `heard` says so too.
std::optional<StreamFailure> StreamListener::listenOnce(bool again, bool& heard) {
    // Declared session, connection, request: the request is closed first, the session last.
    SessionProxy proxy = SessionProxy::none;
    const UniqueInternetHandle session = openSession(userAgent, proxy);
    if (!session)
        return failedAt(StreamStep::request);
    const UniqueInternetHandle connection(
        WinHttpConnect(session.get(), target_.hostName.c_str(), target_.port, 0));
    if (!connection)
        return failedAt(StreamStep::request);
    HINTERNET request = WinHttpOpenRequest(connection.get(), L"GET", target_.pathAndQuery.c_str(), nullptr,
                                           WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES,
                                           target_.secure ? WINHTTP_FLAG_SECURE : 0);
    if (request == nullptr)
        return failedAt(StreamStep::request);
    if (!slot_->hold(request))
        return std::nullopt;
    const HeldRequest held(*slot_);

    limitRequest(request, resolveTimeout, connectTimeout, sendTimeout, receiveTimeout);
    if (!WinHttpAddRequestHeaders(request, L"Icy-MetaData: 1", static_cast<DWORD>(-1),
                                  WINHTTP_ADDREQ_FLAG_ADD))
        return failedAt(StreamStep::request);
    if (!WinHttpSendRequest(request, WINHTTP_NO_ADDITIONAL_HEADERS, 0, WINHTTP_NO_REQUEST_DATA, 0, 0, 0) ||
        !WinHttpReceiveResponse(request, nullptr))
        return failedAt(StreamStep::request);

    DWORD status = 0;
    DWORD statusSize = sizeof(status);
    if (!WinHttpQueryHeaders(request, WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                             WINHTTP_HEADER_NAME_BY_INDEX, &status, &statusSize, WINHTTP_NO_HEADER_INDEX))
        return failedAt(StreamStep::request);
    if (status != 200) {
        StreamFailure failure{StreamStep::status, 0, status, {}};
        failure.serverWords = refusalWords(request);
        failure.server =
            asciiText(headerText(request, WINHTTP_QUERY_SERVER, WINHTTP_HEADER_NAME_BY_INDEX).value_or(L""));
        for (const wchar_t* notice : {L"icy-notice1", L"icy-notice2"})
            failure.icyNotices +=
                asciiText(headerText(request, WINHTTP_QUERY_CUSTOM, notice).value_or(L"")) + " ";
        return failure;
    }
    const std::optional<std::wstring> metaintHeader =
        headerText(request, WINHTTP_QUERY_CUSTOM, L"icy-metaint");
    const std::optional<std::size_t> metaint =
        metaintHeader ? parseMetaint(asciiText(*metaintHeader)) : std::nullopt;
    if (!metaint) {
        StreamFailure failure{StreamStep::noMetadata, 0, 0, {}};
        failure.contentType = asciiText(
            headerText(request, WINHTTP_QUERY_CONTENT_TYPE, WINHTTP_HEADER_NAME_BY_INDEX).value_or(L""));
        return failure;
    }
    heard = true;
    events_.connected(again);

    IcyMetadataReader reader(*metaint);
    std::array<char, readBufferBytes> buffer;
    while (!stopping_) {
        DWORD available = 0;
        if (!WinHttpQueryDataAvailable(request, &available))
            return failedAt(StreamStep::readFailed);
        if (available == 0)
            return StreamFailure{StreamStep::ended, 0, 0, {}};
        DWORD read = 0;
        const DWORD wanted = static_cast<DWORD>(std::min<std::size_t>(available, buffer.size()));
        if (!WinHttpReadData(request, buffer.data(), wanted, &read))
            return failedAt(StreamStep::readFailed);
        if (read == 0)
            return StreamFailure{StreamStep::ended, 0, 0, {}};
        for (const std::string& block : reader.feed(buffer.data(), read)) {
            if (const std::optional<std::string> title = streamTitle(block))
                events_.titleReceived(*title);
        }
    }
    return std::nullopt;
}
