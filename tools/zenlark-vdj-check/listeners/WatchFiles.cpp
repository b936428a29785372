// Writing the tracklist line by line and replacing the now-playing file as a whole.
#include "listeners/WatchFiles.h"

#include "delivery/TextEncoding.h"

#include <chrono>
#include <thread>

static std::string reason(DWORD error) {
    if (error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS)
        return "it already exists, and the tool never overwrites a tracklist. Give a new file name, for "
               "example with the date.";
    if (error == ERROR_PATH_NOT_FOUND)
        return "its folder does not exist.";
    if (error == ERROR_ACCESS_DENIED || error == ERROR_SHARING_VIOLATION)
        return "Windows does not let this program write there, or another program holds the file.";
    return "Windows could not create it (error " + std::to_string(error) + ").";
}

static bool writeAll(HANDLE file, const std::string& bytes) {
    DWORD written = 0;
    return WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
           written == bytes.size();
}

std::optional<TracklistFile> TracklistFile::create(const std::wstring& path, std::string& problem) {
    // CREATE_NEW fails on an existing file instead of truncating it. Others may read along.
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        problem = "The tracklist cannot be written to " + utf8FromWide(path) + ": " + reason(GetLastError());
        return std::nullopt;
    }
    return TracklistFile(file, path);
}

bool TracklistFile::write(const std::string& utf8Line) {
    // Unbuffered: the line is the system's once WriteFile returns; the flush also keeps it
    // through a power cut.
    written_ = true;
    return writeAll(file_.get(), utf8Line + "\r\n") && FlushFileBuffers(file_.get());
}

void TracklistFile::close() {
    file_.reset();
    if (!written_)
        DeleteFileW(path_.c_str());
}

static bool writeWhole(const std::wstring& path, const std::string& bytes) {
    HANDLE created =
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (created == INVALID_HANDLE_VALUE)
        return false;
    const UniqueFileHandle file(created);
    return writeAll(file.get(), bytes) && FlushFileBuffers(file.get());
}

// An overlay program that reads the file at the moment of the swap makes the move fail with
// a sharing violation for a few milliseconds; the move is tried again for about half a second.
static bool replaceFile(const std::wstring& from, const std::wstring& to) {
    for (int attempt = 0; attempt < 10; ++attempt) {
        if (MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
}

// The title goes into a file beside the target, which then takes the target's place in one step.
static bool replaceWith(const std::wstring& path, const std::string& text) {
    const std::wstring partial = path + L".partial";
    if (writeWhole(partial, text) && replaceFile(partial, path))
        return true;
    const DWORD error = GetLastError();
    DeleteFileW(partial.c_str());
    SetLastError(error); // the caller explains the failure, not the clean-up
    return false;
}

std::optional<NowPlayingFile> NowPlayingFile::create(const std::wstring& path, std::string& problem) {
    NowPlayingFile file(path);
    if (!file.show(std::string())) {
        problem =
            "The now-playing file cannot be written to " + utf8FromWide(path) + ": " + reason(GetLastError());
        return std::nullopt;
    }
    return file;
}

bool NowPlayingFile::show(const std::string& title) {
    if (title == shown_)
        return true;
    if (!replaceWith(path_, title))
        return false;
    shown_ = title;
    return true;
}

bool WatchFiles::open(const std::wstring& tracklistPath, const std::wstring& nowPlayingPath,
                      std::string& problem) {
    // The now-playing file first: it is replaced anyway, while a tracklist created before a
    // refusal would be left behind.
    if (!nowPlayingPath.empty()) {
        nowPlaying_ = NowPlayingFile::create(nowPlayingPath, problem);
        if (!nowPlaying_)
            return false;
    }
    if (!tracklistPath.empty()) {
        tracklist_ = TracklistFile::create(tracklistPath, problem);
        if (!tracklist_)
            return false;
    }
    return true;
}

static std::string writeFailure(const char* what) {
    return std::string("Could not write ") + what + " (Windows error " + std::to_string(GetLastError()) +
           "): is the disk full, or the drive gone?";
}

std::optional<std::string> WatchFiles::titleShown(const std::string& title, double secondsFromStart) {
    std::optional<std::string> failure;
    if (tracklist_) {
        const std::optional<std::string> line = lines_.lineFor(title, secondsFromStart);
        if (line && !tracklist_->write(*line))
            failure = writeFailure("the tracklist");
    }
    if (nowPlaying_ && !nowPlaying_->show(title) && !failure)
        failure = writeFailure("the now-playing file");
    writeFailed_ = writeFailed_ || failure.has_value();
    return failure;
}

void WatchFiles::watchEnded() {
    if (tracklist_)
        tracklist_->close();
    if (nowPlaying_ && !nowPlaying_->show(std::string()))
        writeFailed_ = true;
}
