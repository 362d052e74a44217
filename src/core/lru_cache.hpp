// The one cache shape of the library: a fixed number of slots keeping
// values by key, a new key taking the place of the least recently used
// value; and the process-wide, locked form of it, which keeps its lock
// across fork() so that a child finds it consistent.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <utility>

#include <pthread.h>

namespace corvan {

// Not synchronised (LockedCache below is). Key needs ==; Value is
// default-constructible and movable.
template <class Key, class Value, std::size_t Slots> class LruSlots {
  public:
    // The value kept for `key`, now the most recently used; null if none.
    Value *find(const Key &key) {
        for (Slot &slot : slots_)
            if (slot.used && slot.key == key) {
                slot.last_use = ++clock_;
                return &slot.value;
            }
        return nullptr;
    }

    bool contains(const Key &key) const {
        for (const Slot &slot : slots_)
            if (slot.used && slot.key == key) return true;
        return false;
    }

    // Keeps `value` for `key` (not kept yet) in an empty slot, else in
    // place of the least recently used value that is not `busy(value)`,
    // else of the least recently used one: a full cache of busy values
    // still takes new keys. The displaced value is destroyed here.
    template <class Busy> Value &keep(const Key &key, Value value, Busy &&busy) {
        Slot *chosen = nullptr, *oldest = nullptr;
        for (Slot &slot : slots_) {
            if (!slot.used) {
                chosen = &slot;
                break;
            }
            if (oldest == nullptr || slot.last_use < oldest->last_use) oldest = &slot;
            if (!busy(slot.value) && (chosen == nullptr || slot.last_use < chosen->last_use))
                chosen = &slot;
        }
        if (chosen == nullptr) chosen = oldest;
        chosen->key = key;
        chosen->value = std::move(value);
        chosen->last_use = ++clock_;
        chosen->used = true;
        return chosen->value;
    }

    Value &keep(const Key &key, Value value) {
        return keep(key, std::move(value), [](const Value &) { return false; });
    }

    static constexpr std::size_t size() { return Slots; }

  private:
    struct Slot {
        Key key{};
        Value value{};
        std::uint64_t last_use = 0;
        bool used = false;
    };
    std::array<Slot, Slots> slots_{};
    std::uint64_t clock_ = 0;
};

// LruSlots behind a mutex.
template <class Key, class Value, std::size_t Slots> class LockedCache {
  public:
    // Runs body(slots) under the lock and returns what it returns.
    template <class Body> auto locked(Body &&body) {
        std::lock_guard<std::mutex> lock(mutex_);
        return body(slots_);
    }

    // fork() copies only the forking thread: holding the lock across it
    // keeps the slots consistent and leaves the child's lock free.
    void before_fork() { mutex_.lock(); }
    void after_fork() { mutex_.unlock(); }

  private:
    std::mutex mutex_;
    LruSlots<Key, Value, Slots> slots_;
};

// The process's one `Cache` (anything with before_fork and after_fork),
// made on first use and never destroyed: other threads may still use it
// while the process exits.
template <class Cache> Cache &process_wide() {
    static Cache *const instance = [] {
        auto *made = new Cache;
        pthread_atfork([] { process_wide<Cache>().before_fork(); },
                       [] { process_wide<Cache>().after_fork(); },
                       [] { process_wide<Cache>().after_fork(); });
        return made;
    }();
    return *instance;
}

} // namespace corvan
