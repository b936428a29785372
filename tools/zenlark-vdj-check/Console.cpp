// Console output and the window's life.
#include "Console.h"

#include <windows.h>

#include <atomic>
#include <cstdio>

static std::atomic<CheckOutput*> output{nullptr};

void sendOutputTo(CheckOutput* to) {
    output = to;
}

void print(const std::string& utf8) {
    if (CheckOutput* to = output.load()) {
        to->text(utf8);
        return;
    }
    std::fwrite(utf8.data(), 1, utf8.size(), stdout);
}

void printLine(const std::string& utf8) {
    print(utf8 + "\n");
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

// The tool prints UTF-8; the console it shares with a command prompt gets its own code page back.
ConsoleOutputInUtf8::ConsoleOutputInUtf8() : previous_(GetConsoleOutputCP()) {
    if (previous_ != 0)
        SetConsoleOutputCP(CP_UTF8);
}

ConsoleOutputInUtf8::~ConsoleOutputInUtf8() {
    if (previous_ != 0)
        SetConsoleOutputCP(previous_);
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
    std::fputs("\nPress Enter to close.", stdout);
    std::fflush(stdout);
    std::getchar();
}
