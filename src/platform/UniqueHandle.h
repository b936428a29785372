// Owns one platform handle and closes it exactly once with its own close function; shared by
// every subsystem that opens handles (threads, WinHTTP sessions, connections and requests).
#pragma once

#include <utility>

template <typename Handle, auto closeFunction>
class UniqueHandle {
public:
    UniqueHandle() = default;
    explicit UniqueHandle(Handle handle) : handle_(handle) {}
    UniqueHandle(UniqueHandle&& other) noexcept : handle_(std::exchange(other.handle_, Handle())) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        reset(std::exchange(other.handle_, Handle()));
        return *this;
    }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    ~UniqueHandle() { reset(); }

    Handle get() const { return handle_; }
    explicit operator bool() const { return handle_ != Handle(); }

    void reset(Handle handle = Handle()) {
        if (handle_ != Handle())
            closeFunction(handle_);
        handle_ = handle;
    }

private:
    Handle handle_ = Handle();
};
