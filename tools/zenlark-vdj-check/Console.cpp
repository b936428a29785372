// Console output and the window's life.
#include "Console.h"

#include <windows.h>

#include <atomic>
#include <cstdio>

// A console shows the UTF-16 text its own call hands it. Bytes written to it are read in its
// output code page, which not every console takes as UTF-8 even when told so (Windows 7's
// does not reliably, nor Wine's), so titles outside ASCII would come out garbled.
static bool writtenToConsole(DWORD which, const std::string& utf8) {
    const HANDLE output = GetStdHandle(which);
    DWORD mode = 0;
    if (output == nullptr || output == INVALID_HANDLE_VALUE || !GetConsoleMode(output, &mode))
        return false;
    if (utf8.empty())
        return true;
    const int length =
        MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), length);
    for (std::size_t at = 0; at < wide.size();) {
        DWORD written = 0;
        if (!WriteConsoleW(output, wide.data() + at, static_cast<DWORD>(wide.size() - at), &written,
                           nullptr) ||
            written == 0)
            break;
        at += written;
    }
    return true;
}

// A pipe or a file gets UTF-8, for the programs and editors that read it, at once: a program
// that reads the watch's lines acts on each as it comes.
static void write(DWORD which, FILE* stream, const std::string& utf8) {
    if (writtenToConsole(which, utf8))
        return;
    std::fwrite(utf8.data(), 1, utf8.size(), stream);
    std::fflush(stream);
}

static std::atomic<CheckOutput*> output{nullptr};

void sendOutputTo(CheckOutput* to) {
    output = to;
}

void print(const std::string& utf8) {
    if (CheckOutput* to = output.load()) {
        to->text(utf8);
        return;
    }
    write(STD_OUTPUT_HANDLE, stdout, utf8);
}

void printLine(const std::string& utf8) {
    print(utf8 + "\n");
}

void printErrorLine(const std::string& utf8) {
    write(STD_ERROR_HANDLE, stderr, utf8 + "\n");
}

void showVerdict(const CheckVerdict& verdict) {
    printLine("");
    printLine(std::string(verdictLabel(verdict)) + ": " + verdict.happened);
    if (!verdict.detail.empty())
        printLine("Detail: " + verdict.detail);
    if (!verdict.advice.empty())
        printLine("What to do: " + verdict.advice);
    if (CheckOutput* to = output.load())
        to->verdict(verdict);
}

std::string timeOfDay() {
    SYSTEMTIME time{};
    GetLocalTime(&time);
    char clock[16];
    std::snprintf(clock, sizeof clock, "%02u:%02u:%02u", time.wHour, time.wMinute, time.wSecond);
    return clock;
}

LineIfSlow::LineIfSlow(std::string line, std::chrono::milliseconds after)
    : thread_([this, line = std::move(line), after] {
          std::unique_lock<std::mutex> lock(mutex_);
          if (ended_.wait_for(lock, after, [this] { return done_; }))
              return;
          printLine(line);
          std::fflush(stdout);
      }) {}

LineIfSlow::~LineIfSlow() {
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        done_ = true;
    }
    ended_.notify_all();
    thread_.join();
}

// Started from Explorer, the tool is alone on a console of its own, which closes with it and
// takes the verdict along. From a command prompt or a script it shares the console, or its
// input is no console at all.
static bool aloneOnItsOwnConsole() {
    DWORD processes[2] = {};
    DWORD mode = 0;
    return GetConsoleProcessList(processes, 2) == 1 && GetConsoleMode(GetStdHandle(STD_INPUT_HANDLE), &mode);
}

void keepWindowOpenUntilEnter() {
    if (!aloneOnItsOwnConsole())
        return;
    print("\nPress Enter to close.");
    std::fflush(stdout);
    std::getchar();
}
