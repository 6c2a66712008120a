// The one allocation routine of the unpacker. A failed allocation ends the run.
#pragma once
#include <cstddef>
#include <new>
#include <utility>

void* MemAlloc(size_t size);  // never null: failure ends the run through FatalError
void MemFree(void* block);    // null is ignored

// Objects are made and released through MemAlloc/MemFree, so every block has one source.
template <class T, class... Args>
T* New(Args&&... args) {
  return new (MemAlloc(sizeof(T))) T(std::forward<Args>(args)...);
}

template <class T>
void Delete(T* object) {
  if (object) {
    object->~T();
    MemFree(object);
  }
}
