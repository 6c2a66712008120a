// Dynamic array of elements that are copied into place and destroyed in place.
// Growth: when full, capacity becomes 2 * count + 2 (0, 2, 6, 14, 30, ...).
// A reference to an element is valid only until the next call that may grow the vector.
#pragma once
#include <cstdint>
#include <cstring>
#include <type_traits>

#include "support/Fatal.h"
#include "support/MemAlloc.h"

template <class T>
class ItemVector {
 public:
  ItemVector() = default;
  ItemVector(const ItemVector& other) { CopyFrom(other); }
  ItemVector& operator=(const ItemVector& other) {
    if (this != &other) {
      Release();
      CopyFrom(other);
    }
    return *this;
  }
  ~ItemVector() { Release(); }

  uint32_t Count() const { return count_; }
  uint32_t Capacity() const { return capacity_; }
  T* Data() { return storage_; }
  const T* Data() const { return storage_; }
  T& operator[](uint32_t index) { return storage_[index]; }
  const T& operator[](uint32_t index) const { return storage_[index]; }
  T& Back() { return storage_[count_ - 1]; }

  void Add(const T& item) {
    if (count_ < capacity_) {
      CopyElement(storage_ + count_, item);
      ++count_;
      return;
    }
    // The new element is copied before the old storage goes, so `item` may live inside it.
    T* grown = Allocate(GrownCapacity(count_ + 1));
    for (uint32_t i = 0; i < count_; ++i) CopyElement(grown + i, storage_[i]);
    CopyElement(grown + count_, item);
    DestroyAll();
    MemFree(storage_);
    storage_ = grown;
    capacity_ = GrownCapacity(count_ + 1);
    ++count_;
  }

  // Appends n plain elements at once (bytes of a file); grows by the same rule, or to the
  // exact size needed when that is larger.
  void Append(const T* items, uint32_t n) {
    static_assert(std::is_trivially_copyable<T>::value, "Append is for plain elements");
    if (n == 0) return;
    if (n > UINT32_MAX - count_) FatalError(FailureReason::VectorTooLarge);
    Reserve(count_ + n);
    std::memcpy(storage_ + count_, items, size_t(n) * sizeof(T));
    count_ += n;
  }

  // Sets the count of plain elements; new elements are zero.
  void Resize(uint32_t n) {
    static_assert(std::is_trivially_copyable<T>::value, "Resize is for plain elements");
    if (n > count_) {
      Reserve(n);
      std::memset(static_cast<void*>(storage_ + count_), 0, size_t(n - count_) * sizeof(T));
    }
    count_ = n;
  }

  // Removes the last element.
  void RemoveLast() {
    if (count_ == 0) return;
    --count_;
    storage_[count_].~T();
  }

  // Destroys every element and keeps the storage.
  void Clear() {
    DestroyAll();
    count_ = 0;
  }

  // Destroys every element and frees the storage.
  void Release() {
    DestroyAll();
    MemFree(storage_);
    storage_ = nullptr;
    capacity_ = 0;
    count_ = 0;
  }

 private:
  static void CopyElement(T* slot, const T& item) { new (slot) T(item); }

  uint32_t GrownCapacity(uint32_t needed) const {
    uint64_t grown = 2ull * count_ + 2;
    if (grown < needed) grown = needed;
    if (grown > UINT32_MAX / sizeof(T)) grown = needed;
    return uint32_t(grown);
  }

  static T* Allocate(uint32_t capacity) {
    if (uint64_t(capacity) * sizeof(T) > SIZE_MAX / 2) FatalError(FailureReason::VectorTooLarge);
    return static_cast<T*>(MemAlloc(size_t(capacity) * sizeof(T)));
  }

  // Plain elements only: moves the storage to a capacity of at least `needed`.
  void Reserve(uint32_t needed) {
    if (needed <= capacity_) return;
    uint32_t capacity = GrownCapacity(needed);
    T* grown = Allocate(capacity);
    if (count_) std::memcpy(static_cast<void*>(grown), storage_, size_t(count_) * sizeof(T));
    MemFree(storage_);
    storage_ = grown;
    capacity_ = capacity;
  }

  void DestroyAll() {
    for (uint32_t i = 0; i < count_; ++i) storage_[i].~T();
  }

  void CopyFrom(const ItemVector& other) {
    if (other.count_ == 0) return;
    storage_ = Allocate(other.count_);
    capacity_ = other.count_;
    for (uint32_t i = 0; i < other.count_; ++i) CopyElement(storage_ + i, other.storage_[i]);
    count_ = other.count_;
  }

  T* storage_ = nullptr;
  uint32_t capacity_ = 0;
  uint32_t count_ = 0;
};
