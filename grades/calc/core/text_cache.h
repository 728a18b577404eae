#pragma once
// Texts made once for keys that repeat (a mark and its scaled values): the
// calculation's logs look one up for every mark they write. Open addressing
// over a power-of-two table, the texts in one buffer: no division and no node
// to chase a lookup.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

template <typename Key>
class TextCache {
public:
    TextCache() { clear(); }

    // The text of `key`; `make(std::string& out)` appends it the first time.
    // Valid until the next call.
    template <typename Make>
    std::string_view get(Key key, Make&& make) {
        std::size_t i = slotOf(key);
        for (; slots_[i].used; i = (i + 1) & (slots_.size() - 1))
            if (slots_[i].key == key)
                return {bytes_.data() + slots_[i].at, slots_[i].size};
        const std::size_t at = bytes_.size();
        make(bytes_);
        slots_[i] = {key, static_cast<uint32_t>(at), static_cast<uint32_t>(bytes_.size() - at), true};
        if (++count_ * 2 > slots_.size())
            grow();
        return {bytes_.data() + at, bytes_.size() - at};
    }

    void clear() {
        slots_.assign(64, Slot{});
        bytes_.clear();
        count_ = 0;
        bits_ = 6;
    }

private:
    struct Slot {
        Key key{};
        uint32_t at = 0, size = 0;
        bool used = false;
    };

    std::size_t slotOf(Key key) const {
        // Fibonacci hashing: the top bits of the product, as many as the table needs.
        const uint64_t h = uint64_t(key) * 0x9E3779B97F4A7C15ull;
        return std::size_t(h >> (64 - bits_)) & (slots_.size() - 1);
    }

    void grow() {
        std::vector<Slot> old = std::move(slots_);
        slots_.assign(old.size() * 2, Slot{});
        ++bits_;
        for (const Slot& s : old) {
            if (!s.used)
                continue;
            std::size_t i = slotOf(s.key);
            while (slots_[i].used)
                i = (i + 1) & (slots_.size() - 1);
            slots_[i] = s;
        }
    }

    std::vector<Slot> slots_;
    std::string bytes_;
    std::size_t count_ = 0;
    int bits_ = 6;
};
