// A host double with the host's callback layout: answers from a table and records every query.
#pragma once

#include "host/HostInterface.h"

#include <cstring>
#include <map>
#include <string>
#include <vector>

struct RecordingHost;

// The object the plug-in sees: the host's callback layout first, then a way back to the double.
struct RecordingCallbacks {
    HostCallbacks base;
    RecordingHost* owner;
};

struct RecordingHost {
    RecordingCallbacks callbacks{{&table}, this};
    std::map<std::string, double> numbers;
    std::map<std::string, std::string> texts;
    std::vector<std::string> queries; // "number <command>" or "text <command>"
    std::vector<int> textBufferSizes;
    bool leaveBufferWithoutNul = false;

    static RecordingHost& of(HostCallbacks* self) {
        return *reinterpret_cast<RecordingCallbacks*>(self)->owner;
    }

    static HostResult queryNumber(HostCallbacks* self, const char* command, double* value) {
        RecordingHost& host = of(self);
        host.queries.push_back(std::string("number ") + command);
        auto found = host.numbers.find(command);
        if (found != host.numbers.end())
            *value = found->second;
        return 0;
    }

    static HostResult queryText(HostCallbacks* self, const char* command, char* buffer, std::int32_t size) {
        RecordingHost& host = of(self);
        host.queries.push_back(std::string("text ") + command);
        host.textBufferSizes.push_back(size);
        for (std::int32_t i = 0; i < size; ++i) // the caller must have zero-filled the buffer
            if (buffer[i] != 0)
                host.textBufferSizes.back() = -1;
        auto found = host.texts.find(command);
        if (found == host.texts.end())
            return 0;
        const std::string& text = found->second;
        const std::size_t room = host.leaveBufferWithoutNul ? size : size - 1;
        std::memcpy(buffer, text.data(), text.size() < room ? text.size() : room);
        return 0;
    }

    static constexpr HostCallbacksTable table{nullptr, &RecordingHost::queryNumber, &RecordingHost::queryText};

    PluginObject pluginObject() { return PluginObject{nullptr, nullptr, &callbacks.base}; }

    RecordingHost() = default;
    RecordingHost(const RecordingHost&) = delete;
    RecordingHost& operator=(const RecordingHost&) = delete;

    void deck(int number, double play, double volume, const std::string& artist = "", const std::string& title = "") {
        const std::string prefix = "deck " + std::to_string(number) + " ";
        numbers[prefix + "play"] = play;
        numbers[prefix + "volume"] = volume;
        texts[prefix + "get_artist"] = artist;
        texts[prefix + "get_title"] = title;
    }
};
