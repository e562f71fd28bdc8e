// A hash table keyed by names (persons, channels), searched with a
// string_view: looking a name up allocates nothing and costs little more
// than one comparison, which matters when it happens for every log line.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace quorlix {

template <typename Value>
class NameTable {
 public:
  NameTable() : slots_(16), mask_(15) {}

  // The value stored for `name`, or nullptr.
  Value* Find(std::string_view name) {
    Slot& slot = SlotFor(name, KeyOf(name));
    return slot.used ? &slot.value : nullptr;
  }

  // Stores `value` for `name` unless it is there; returns the stored value
  // and whether it was inserted.
  std::pair<Value*, bool> Insert(std::string_view name, Value value) {
    const Key key = KeyOf(name);
    Slot* slot = &SlotFor(name, key);
    if (slot->used) return {&slot->value, false};
    if (2 * (count_ + 1) > slots_.size()) {
      Grow();
      slot = &SlotFor(name, key);
    }
    slot->used = true;
    slot->key = key;
    slot->name.assign(name);
    slot->value = std::move(value);
    ++count_;
    return {&slot->value, true};
  }

  std::size_t size() const { return count_; }

 private:
  // Two words read from the name and its length. For names of up to 16
  // bytes the words hold every byte, so equal keys mean equal names and
  // no byte comparison is needed; the loads have fixed sizes, no loop.
  struct Key {
    uint64_t hash = 0;  // first: compared first, it tells most keys apart
    uint64_t head = 0, tail = 0;
    std::size_t size = 0;
    bool operator==(const Key&) const = default;
  };
  static constexpr std::size_t kWholeInKey = 16;

  static uint64_t Load8(const char* p) {
    uint64_t v;
    std::memcpy(&v, p, 8);
    return v;
  }
  static uint64_t Load4(const char* p) {
    uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
  }

  static Key KeyOf(std::string_view name) {
    Key key;
    const std::size_t n = name.size();
    const char* p = name.data();
    key.size = n;
    if (n >= 8) {  // the first and the last eight bytes, overlapping
      key.head = Load8(p);
      key.tail = Load8(p + n - 8);
    } else if (n >= 4) {
      key.head = Load4(p);
      key.tail = Load4(p + n - 4);
    } else if (n > 0) {  // bytes 0, n/2 and n-1 cover all of 1 to 3
      key.head = static_cast<unsigned char>(p[0]) |
                 (uint64_t{static_cast<unsigned char>(p[n / 2])} << 8) |
                 (uint64_t{static_cast<unsigned char>(p[n - 1])} << 16);
    }
    const uint64_t h = (key.head ^ (key.tail * 0x9E3779B97F4A7C15ull) ^ n) * 0xFF51AFD7ED558CCDull;
    key.hash = h ^ (h >> 29);
    return key;
  }

  // The key and the mark first, so that a probe reads one cache line.
  struct Slot {
    Key key;
    bool used = false;
    Value value{};
    std::string name;
  };

  Slot& SlotFor(std::string_view name, const Key& key) {
    for (std::size_t i = key.hash & mask_;; i = (i + 1) & mask_) {
      Slot& slot = slots_[i];
      if (!slot.used) return slot;
      if (slot.key == key && (key.size <= kWholeInKey || std::string_view(slot.name) == name)) {
        return slot;
      }
    }
  }

  void Grow() {
    std::vector<Slot> old(slots_.size() * 2);
    old.swap(slots_);
    mask_ = slots_.size() - 1;
    for (Slot& slot : old) {
      if (slot.used) SlotFor(slot.name, slot.key) = std::move(slot);
    }
  }

  std::vector<Slot> slots_;
  std::size_t mask_;  // slots_.size() - 1, a power of two less one
  std::size_t count_ = 0;
};

}  // namespace quorlix
