// ZenlarkVdjCheck: reads the plug-in's settings file, shows what the plug-in will send, sends one
// title update through the plug-in's own delivery code and says in plain words what happened.
// With --watch it listens to the stream as a player does and shows the titles listeners receive.
#include "CheckOptions.h"
#include "Console.h"
#include "SectionCheck.h"

#include <cstdio>
#include <exception>
#include <string>

static int checkFromCommandLine(int argc, wchar_t** argv) {
    try {
        CheckOptions options;
        switch (parseOptions(argc, argv, options)) {
        case ParseResult::helpShown:
            return 0;
        case ParseResult::badArguments:
            return 2;
        case ParseResult::run:
            break;
        }
        return runCheck(options);
    } catch (const std::exception& error) {
        printErrorLine(std::string("ZenlarkVdjCheck failed: ") + error.what());
        return 3;
    }
}

int wmain(int argc, wchar_t** argv) {
    const int code = checkFromCommandLine(argc, argv);
    std::fflush(stdout);
    keepWindowOpenUntilEnter();
    return code;
}
