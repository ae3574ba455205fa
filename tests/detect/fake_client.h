#pragma once
// A stand-in for qorsdk's client calls: handles are numbered, every call is journalled, and the
// results and counters are set by the test.

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "detect/detection.h"

namespace tav::test {

struct FakeClient {
  struct Handle {
    std::string source;
    bool started = false;
    QORSDK_STATISTICS stats{};
  };
  std::map<std::intptr_t, Handle> handles;
  std::set<std::intptr_t> freed;
  std::vector<std::string> calls;
  std::intptr_t next = 1;
  int createFailAt = 0;  // the n-th create (1-based) gives null
  int creates = 0;
  std::int32_t setResult = 0, startResult = 0, stopResult = 0, getResult = 0;
  int startFailAt = 0;  // the n-th start (1-based) gives startResult; 0: every start

  static FakeClient*& current() {
    static FakeClient* c = nullptr;
    return c;
  }
  static Handle& of(QORSDK_HANDLE h) {
    return current()->handles.at(reinterpret_cast<std::intptr_t>(h));
  }
  int starts = 0;

  static QORSDK_HANDLE Create(const QORSDK_CREATE* r) {
    auto& c = *current();
    c.calls.push_back("create");
    if (!r || r->size != sizeof(QORSDK_CREATE) || r->playFlag != 1) return nullptr;
    if (++c.creates == c.createFailAt) return nullptr;
    std::intptr_t id = c.next++;
    c.handles[id];
    return reinterpret_cast<QORSDK_HANDLE>(id);
  }
  static std::int32_t Set(QORSDK_HANDLE h, std::int32_t type, const void* r) {
    auto& c = *current();
    auto* s = static_cast<const QORSDK_SOURCE*>(r);
    c.calls.push_back("set " + std::string(s->address));
    if (type != 0 || s->size != sizeof(QORSDK_SOURCE) || s->mode != 1) return 3;
    if (c.setResult == 0) of(h).source = s->address;
    return c.setResult;
  }
  static std::int32_t Start(QORSDK_HANDLE h) {
    auto& c = *current();
    c.calls.push_back("start " + of(h).source);
    ++c.starts;
    if (c.startResult != 0 && (c.startFailAt == 0 || c.starts == c.startFailAt))
      return c.startResult;
    of(h).started = true;
    return 0;
  }
  static std::int32_t Stop(QORSDK_HANDLE h) {
    auto& c = *current();
    c.calls.push_back("stop " + of(h).source);
    if (c.stopResult != 0) return c.stopResult;
    of(h).started = false;
    return 0;
  }
  static std::int32_t Get(QORSDK_HANDLE h, std::int32_t type, void* r) {
    auto& c = *current();
    c.calls.push_back("get " + of(h).source);
    auto* s = static_cast<QORSDK_STATISTICS*>(r);
    if (type != 256 || s->size != 40) return 3;
    if (c.getResult != 0) return c.getResult;
    *s = of(h).stats;
    return 0;
  }
  static std::int32_t Dump(QORSDK_HANDLE h) {
    if (!current()) return 0;  // a record outlived the fake
    auto& c = *current();
    c.calls.push_back("dump " + of(h).source);
    c.freed.insert(reinterpret_cast<std::intptr_t>(h));
    return 0;
  }

  void setRates(std::intptr_t id, std::uint32_t total, std::uint32_t video, std::uint32_t audio) {
    auto& s = handles.at(id).stats;
    s.totalRate = total;
    s.videoRate = video;
    s.audioRate = audio;
  }

  ClientApi api{Create, Set, Start, Stop, Get, Dump};
  FakeClient() {
    current() = this;
    SetClientApi(&api);
  }
  ~FakeClient() {
    SetClientApi(nullptr);
    current() = nullptr;
  }
};

}  // namespace tav::test
