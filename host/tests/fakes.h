// fakes.h: recording stand-ins for the window's link, the files, the clock and the generator.
#pragma once

#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "host/host.h"

namespace hosttest {

// Everything observable, in order: "say X", "esp T: X", "wait N", "fetch", "round ...", "write FILE: CONTENT".
using Log = std::vector<std::string>;

class FakeFiles : public host::FileStore {
public:
    explicit FakeFiles(Log& log) : log_(log) {}
    std::map<std::string, std::string> files;
    std::set<std::string> unwritable;

    std::optional<std::string> Read(const std::string& path) override {
        const auto it = files.find(path);
        return it == files.end() ? std::nullopt : std::optional<std::string>(it->second);
    }
    host::WriteResult Replace(const std::string& path, const std::string& content) override {
        if (unwritable.count(path))
            return {false, "disk full"};
        files[path] = content;
        log_.push_back("write " + path + ": " + content);
        return {};
    }

private:
    Log& log_;
};

class FakeIo : public host::HostIo {
public:
    explicit FakeIo(Log& log) : log_(log) {}
    std::function<void()> onFetch;
    std::function<void(const std::string&)> onEsp;  // runs inside the ESP, as a maintenance click would
    int yields = 0;

    void Say(const std::string& text) override { log_.push_back("say " + text); }
    void Esp(const std::string& target, const std::string& text) override {
        log_.push_back("esp " + target + ": " + text);
        if (onEsp)
            onEsp(target);
    }
    void Wait(int seconds) override { log_.push_back("wait " + std::to_string(seconds)); }
    void FetchChat() override {
        log_.push_back("fetch");
        if (onFetch)
            onFetch();
    }
    void Yield() override { ++yields; }
    void ShowRound(const host::Round& r) override {
        log_.push_back("round " + r.PlayerName + "|" + r.SelectedCategory + "|" + (r.Command7 ? "G" : "-") +
                       (r.Command6 ? "W" : "-") + (r.Command8 ? "L" : "-"));
    }

private:
    Log& log_;
};

class FakeClock : public host::Clock {
public:
    explicit FakeClock(std::vector<std::string> readings) : readings_(std::move(readings)) {}
    std::string TimeText() override { return readings_[next_++ % readings_.size()]; }

private:
    std::vector<std::string> readings_;
    size_t next_ = 0;
};

// Returns the given values in turn and records the seeds.
class ScriptedRandom : public host::RandomSource {
public:
    explicit ScriptedRandom(std::vector<float> values) : values_(std::move(values)) {}
    std::vector<int32_t> seeds;
    void Reseed(int32_t seed) override { seeds.push_back(seed); }
    float Next() override { return values_[next_++ % values_.size()]; }

private:
    std::vector<float> values_;
    size_t next_ = 0;
};

inline host::NameList Names(std::initializer_list<const char*> names,
                            host::NameList::Order order = host::NameList::Order::kArrival) {
    host::NameList list(order);
    for (const char* n : names)
        list.Add(n);
    return list;
}

}  // namespace hosttest
