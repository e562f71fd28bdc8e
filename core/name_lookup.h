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
  NameTable() : slots_(16) {}

  // The value stored for `name`, or nullptr.
  Value* Find(std::string_view name) {
    Slot& slot = SlotFor(name, Hash(name));
    return slot.used ? &slot.value : nullptr;
  }

  // Stores `value` for `name` unless it is there; returns the stored value
  // and whether it was inserted.
  std::pair<Value*, bool> Insert(std::string_view name, Value value) {
    const uint64_t hash = Hash(name);
    Slot* slot = &SlotFor(name, hash);
    if (slot->used) return {&slot->value, false};
    if (2 * (count_ + 1) > slots_.size()) {
      Grow();
      slot = &SlotFor(name, hash);
    }
    slot->used = true;
    slot->hash = hash;
    slot->name.assign(name);
    slot->value = std::move(value);
    ++count_;
    return {&slot->value, true};
  }

  std::size_t size() const { return count_; }

 private:
  struct Slot {
    std::string name;
    Value value{};
    uint64_t hash = 0;
    bool used = false;
  };

  // Names are short: the first and last eight bytes and the length make a
  // good key for a multiplicative mix.
  static uint64_t Hash(std::string_view name) {
    uint64_t head = 0, tail = 0;
    const std::size_t n = name.size();
    if (n != 0) std::memcpy(&head, name.data(), n < 8 ? n : 8);  // data() may be null
    if (n > 8) std::memcpy(&tail, name.data() + (n > 16 ? n - 8 : 8), n > 16 ? 8 : n - 8);
    uint64_t h = (head ^ (tail * 0x9E3779B97F4A7C15ull) ^ n) * 0xFF51AFD7ED558CCDull;
    return h ^ (h >> 29);
  }

  Slot& SlotFor(std::string_view name, uint64_t hash) {
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
      Slot& slot = slots_[i];
      if (!slot.used || (slot.hash == hash && std::string_view(slot.name) == name)) return slot;
    }
  }

  void Grow() {
    std::vector<Slot> old(slots_.size() * 2);
    old.swap(slots_);
    for (Slot& slot : old) {
      if (slot.used) SlotFor(slot.name, slot.hash) = std::move(slot);
    }
  }

  std::vector<Slot> slots_;
  std::size_t count_ = 0;
};

}  // namespace quorlix
