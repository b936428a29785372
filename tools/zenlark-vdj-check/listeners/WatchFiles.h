// The watch's files for after and beside the set: the tracklist and the now-playing line.
#pragma once

#include "listeners/Tracklist.h"

#include "platform/UniqueHandle.h"

#include <windows.h>

#include <optional>
#include <string>

using UniqueFileHandle = UniqueHandle<HANDLE, CloseHandle>;

// The titles listeners received, one line each as it arrives (UTF-8, CRLF). Every line goes to
// the system at once, so a crash or Ctrl+C loses nothing written.
class TracklistFile {
public:
    // Creates the file; an existing file is never opened, so never overwritten. Nothing, and
    // `problem` in plain words, when it cannot be created.
    static std::optional<TracklistFile> create(const std::wstring& path, std::string& problem);
    bool write(const std::string& utf8Line);
    // Closes the file, and removes it when it got no line: a watch that heard nothing leaves
    // the name free for the next try.
    void close();

private:
    TracklistFile(HANDLE file, std::wstring path) : file_(file), path_(std::move(path)) {}
    UniqueFileHandle file_;
    std::wstring path_;
    bool written_ = false;
};

// One line, the title listeners receive now (UTF-8, no line end; empty when they get none).
// Each change replaces the whole file, so a program reading it never sees half a title.
class NowPlayingFile {
public:
    // Writes the file empty; nothing, and `problem`, when it cannot.
    static std::optional<NowPlayingFile> create(const std::wstring& path, std::string& problem);
    bool show(const std::string& title);

private:
    explicit NowPlayingFile(std::wstring path) : path_(std::move(path)) {}
    std::wstring path_;
    std::optional<std::string> shown_;
};

// The files --tracklist and --now-playing name, fed by the watch.
class WatchFiles {
public:
    // Creates the files the paths name (empty: none); false, and `problem`, when one cannot be.
    bool open(const std::wstring& tracklistPath, const std::wstring& nowPlayingPath, std::string& problem);
    // A title listeners now receive, empty for none; on the listener's thread. What could not
    // be written, when something could not.
    std::optional<std::string> titleShown(const std::string& title, double secondsFromStart);
    // The watch ended: the now-playing line no longer knows what listeners receive, so it
    // empties; the tracklist is closed.
    void watchEnded();
    bool anyWriteFailed() const { return writeFailed_; }

private:
    std::optional<TracklistFile> tracklist_;
    TracklistLines lines_;
    std::optional<NowPlayingFile> nowPlaying_;
    bool writeFailed_ = false;
};
