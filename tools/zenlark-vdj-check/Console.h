// The tool's output: lines in UTF-16 to a console, in UTF-8 to a pipe or file, and the window
// kept open for a DJ who started the tool from Explorer.
#pragma once

#include "CheckVerdict.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

void print(const std::string& utf8);
void printLine(const std::string& utf8);
// The same on the error output.
void printErrorLine(const std::string& utf8);

// Where the check's text and verdicts go instead of the console: the setup window shows them.
// Its calls come from the check's thread and the watch's listener thread alike.
class CheckOutput {
  public:
    virtual ~CheckOutput() = default;
    virtual void text(const std::string& utf8) = 0;
    virtual void verdict(const CheckVerdict& verdict) = 0;
};

// From now on print and showVerdict go to `output`; null gives them back to the console.
void sendOutputTo(CheckOutput* output);

// The verdict's lines, after an empty one: "OK: ..." or "PROBLEM: ...", "Detail: ..." when it
// has numbers, and last what to do, the line a DJ acts on.
void showVerdict(const CheckVerdict& verdict);

// The local time as the watch's lines show it: "22:53:05".
std::string timeOfDay();

// Prints `line` once the scope it guards has lasted `after`, so a long wait for a server does not
// pass in silence; nothing when the scope ends sooner.
class LineIfSlow {
  public:
    LineIfSlow(std::string line, std::chrono::milliseconds after);
    ~LineIfSlow();
    LineIfSlow(const LineIfSlow&) = delete;
    LineIfSlow& operator=(const LineIfSlow&) = delete;

  private:
    std::mutex mutex_;
    std::condition_variable ended_;
    bool done_ = false;
    std::thread thread_;
};

// Waits for Enter when the tool is alone on a console of its own, which would close with it.
void keepWindowOpenUntilEnter();
