// Looking at a server off the window's thread.
#include "server-choices/ServerLookRun.h"

ServerLookRun::ServerLookRun(const LookPlace& place, std::function<void()> news)
    : thread_([this, place, news = std::move(news)] {
          view_ = lookAtServer(place);
          finished_ = true;
          news();
      }) {}

ServerLookRun::~ServerLookRun() {
    thread_.join();
}
