// fakes.h: recording stand-ins for the window's link, the files, the clock and the generator.
#pragma once

#include <functional>
#include <map>
#include <new>
#include <set>
#include <string>
#include <vector>

#include "host/host.h"

namespace hosttest {

using Strings = std::vector<std::string>;

// Every file write and every call of the window, in order: "write FILE: CONTENT", "say X", "esp T: X",
// "wait N", "fetch", "round NAME|CATEGORY|GWL" (a dash for a hidden button).
class Fakes : public host::FileStore, public host::HostIo {
  public:
    Strings log;
    std::map<std::string, std::string> files;
    std::set<std::string> unwritable;
    std::set<std::string> throwing;  // reading it throws, as running out of memory would
    std::function<void()> onFetch;
    std::function<void(const std::string&)> onEsp;  // runs inside the ESP, as a maintenance click would
    int yields = 0;

    host::ReadResult Read(const std::string& path, size_t maxBytes) override {
        if (throwing.count(path))
            throw std::bad_alloc();
        const auto it = files.find(path);
        if (it == files.end())
            return {};
        if (it->second.size() > maxBytes)
            return {host::ReadStatus::kTooLarge, {}};
        return {host::ReadStatus::kOk, it->second};
    }
    host::WriteResult Replace(const std::string& path, const std::string& content) override {
        if (unwritable.count(path))
            return {false, "disk full"};
        log.push_back("write " + path + ": " + (files[path] = content));
        return {};
    }
    std::optional<std::uintmax_t> Size(const std::string& path) override {
        const auto it = files.find(path);
        return it == files.end() ? std::nullopt : std::optional<std::uintmax_t>(it->second.size());
    }
    host::WriteResult Copy(const std::string& from, const std::string& to) override {
        if (unwritable.count(to) || !files.count(from))
            return {false, "disk full"};
        log.push_back("copy " + from + " to " + to);
        files[to] = files[from];
        return {};
    }
    void Say(const std::string& text) override { log.push_back("say " + text); }
    void Esp(const std::string& target, const std::string& text) override {
        log.push_back("esp " + target + ": " + text);
        if (onEsp)
            onEsp(target);
    }
    void Wait(int seconds) override { log.push_back("wait " + std::to_string(seconds)); }
    void FetchChat() override {
        log.push_back("fetch");
        if (onFetch)
            onFetch();
    }
    void Yield() override { ++yields; }
    void ShowRound(const host::Round& r) override {
        log.push_back("round " + r.PlayerName + "|" + r.SelectedCategory + "|" + (r.Command7 ? "G" : "-") +
                      (r.Command6 ? "W" : "-") + (r.Command8 ? "L" : "-"));
    }
};

// Returns the readings in turn, round and round.
class FakeClock : public host::Clock {
  public:
    explicit FakeClock(Strings readings) : readings_(std::move(readings)) {}
    std::string TimeText() override { return readings_[next_++ % readings_.size()]; }

  private:
    Strings readings_;
    size_t next_ = 0;
};

// Returns the values in turn and records the seeds.
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

inline host::NameList Names(const Strings& names, host::NameList::Order order = host::NameList::Order::kArrival) {
    host::NameList list(order);
    for (const auto& n : names)
        list.Add(n);
    return list;
}

inline host::GameLists Lists(const Strings& players, const Strings& winners, const Strings& waiting = {}) {
    host::GameLists lists;
    lists.PlayersList = Names(players);
    lists.WinnersList = Names(winners, host::NameList::Order::kSortedIgnoreCase);
    lists.WaitList = Names(waiting);
    return lists;
}

}  // namespace hosttest
