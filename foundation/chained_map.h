// ChainedMap: the hash map machinery shared by IntMap and StrMap, a fixed bucket array of
// chains threaded through one entry array, with a free list of removed entries.
#pragma once

#include <cassert>
#include <cstdint>
#include <cstring>
#include <type_traits>

#include "foundation/array.h"

namespace tessel {

// Keys supplies `static uint32_t hash(Key)` and `static bool equal(Key, Key)`.
template <typename Key, typename V, typename Keys>
class ChainedMap {
    static_assert(std::is_trivially_copyable_v<V>, "entries are moved with memcpy");

public:
    // One slot of the entry array. `next` links the bucket chain while the entry is in use
    // and the free list after it was removed; -1 ends either.
    struct Entry {
        Key key;
        V value;
        int32_t next;
        bool in_use;
    };
    // What iteration yields: a copy of one live entry's key and value.
    struct Item {
        Key key;
        V value;
    };

    class Iterator {
    public:
        Item operator*() const { return {entry_->key, entry_->value}; }
        Iterator& operator++() {
            ++entry_;
            skip_free();
            return *this;
        }
        bool operator==(const Iterator& other) const { return entry_ == other.entry_; }

    private:
        friend class ChainedMap;
        Iterator(const Entry* entry, const Entry* end) : entry_(entry), end_(end) { skip_free(); }
        void skip_free() {
            while (entry_ != end_ && !entry_->in_use) ++entry_;
        }
        const Entry* entry_;
        const Entry* end_;
    };

    // bucket_count is a power of two from 2 to 1024 and never changes. With an arena, the
    // entries and buckets are allocated from it and the map must not outlive it.
    explicit ChainedMap(int32_t bucket_count, Arena* arena = nullptr)
        : entries_(arena), bucket_count_(bucket_count), mask_(bucket_count - 1), buckets_(arena) {
        assert(bucket_count >= 2 && bucket_count <= 1024 && (bucket_count & mask_) == 0);
        buckets_.resize(bucket_count, false);
        std::memset(buckets_.data(), 0xFF, sizeof(int32_t) * bucket_count);
    }
    // The iterators and chains index into arrays owned by the map; moving it would need a
    // defined empty state that every lookup then has to check for.
    ChainedMap(const ChainedMap&) = delete;
    ChainedMap& operator=(const ChainedMap&) = delete;

    int32_t count() const { return count_; }
    bool empty() const { return count_ == 0; }
    int32_t bucket_count() const { return bucket_count_; }
    int32_t bucket_of(Key key) const { return static_cast<int32_t>(Keys::hash(key) & mask_); }
    // Slots in the entry array, live or free; it only grows.
    int32_t entry_slots() const { return entries_.size(); }

    // When several entries share the key (see insert_pair_unique), the one inserted last is
    // found.
    bool find(Key key, V* value) const {
        int32_t i = find_index(key);
        if (i < 0) return false;
        *value = entries_[i].value;
        return true;
    }
    // The stored value, or null; valid until the next insertion.
    V* find_ptr(Key key) {
        int32_t i = find_index(key);
        return i < 0 ? nullptr : &entries_[i].value;
    }
    const V* find_ptr(Key key) const {
        int32_t i = find_index(key);
        return i < 0 ? nullptr : &entries_[i].value;
    }
    bool contains(Key key) const { return find_index(key) >= 0; }

    // Overwrites the value of the entry find would return, or inserts a new entry.
    void insert_or_assign(Key key, V value) {
        int32_t i = find_index(key);
        if (i >= 0)
            entries_[i].value = value;
        else
            insert_new(key, value);
    }
    // Keeps at most one entry per (key, value) pair while allowing several values per key.
    // Returns the entry already holding the pair, or null after inserting a new entry; the
    // pointer is valid until the next insertion.
    const Entry* insert_pair_unique(Key key, V value) {
        int32_t b = bucket_of(key);
        for (int32_t i = buckets_[b]; i >= 0; i = entries_[i].next) {
            const Entry& e = entries_[i];
            if (Keys::equal(e.key, key) && e.value == value) return &e;
        }
        insert_new(key, value);
        return nullptr;
    }
    // Removes the entry holding exactly this key and value; false when there is none.
    bool remove(Key key, V value) {
        int32_t* link = &buckets_[bucket_of(key)];
        while (*link >= 0) {
            int32_t i = *link;
            Entry& e = entries_[i];
            if (Keys::equal(e.key, key) && e.value == value) {
                *link = e.next;
                e.in_use = false;
                e.next = free_head_;
                free_head_ = i;
                --count_;
                return true;
            }
            link = &e.next;
        }
        return false;
    }

    // Rebuilds the chains over a new power-of-two bucket count (any size, unlike the
    // constructor's). Entries keep their slots, so iteration order does not change. Maps that
    // grow without bound (one entry per node of a document) call it to keep chains short.
    void rehash(int32_t bucket_count) {
        assert(bucket_count >= 2 && (bucket_count & (bucket_count - 1)) == 0);
        bucket_count_ = bucket_count;
        mask_ = static_cast<uint32_t>(bucket_count - 1);
        buckets_.resize(bucket_count, false);
        std::memset(buckets_.data(), 0xFF, sizeof(int32_t) * static_cast<size_t>(bucket_count));
        // Linking in slot order puts later slots first in each chain, as insertion did
        // (except for reused free slots, which only matters for duplicate keys).
        for (int32_t i = 0; i < entries_.size(); ++i) {
            Entry& e = entries_[i];
            if (!e.in_use) continue;
            int32_t b = bucket_of(e.key);
            e.next = buckets_[b];
            buckets_[b] = i;
        }
    }

    // Live entries in entry-array order (a reused slot keeps its place).
    Iterator begin() const { return {entries_.begin(), entries_.end()}; }
    Iterator end() const { return {entries_.end(), entries_.end()}; }

private:
    int32_t find_index(Key key) const {
        for (int32_t i = buckets_[bucket_of(key)]; i >= 0; i = entries_[i].next)
            if (Keys::equal(entries_[i].key, key)) return i;
        return -1;
    }
    void insert_new(Key key, V value) {
        int32_t i = free_head_;
        if (i >= 0) {
            free_head_ = entries_[i].next;
        } else {
            i = entries_.size();
            entries_.resize(i + 1, false);
        }
        int32_t b = bucket_of(key);
        entries_[i] = Entry{key, value, buckets_[b], true};
        buckets_[b] = i;
        ++count_;
    }

    int32_t free_head_ = -1;
    int32_t count_ = 0;
    Array<Entry> entries_;
    int32_t bucket_count_;
    uint32_t mask_;
    // Separate from the entries so that a later rehash only rebuilds this array.
    Array<int32_t> buckets_;
};

}  // namespace tessel
