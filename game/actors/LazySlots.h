// A fixed table of slots that are built the first time they are reached.
//
// The game's big tables (2048 monsters, each carrying a whole model record)
// live in static storage. Constructing every slot before main would write
// all of that memory at start-up although a level uses a few dozen slots.
// TLazySlots keeps the slots' bytes untouched until a slot is reached:
// static storage is zero-filled by the loader for free, and pages nobody
// writes are never given memory. Reaching slot i builds every slot up to i
// (lowest first, each with its default constructor, value-initialised), so
// the built slots are always 0..Built()-1 and a slot past them reads as a
// freshly made one would. Iteration covers the built slots only: every
// other slot is still in its default state.
#ifndef TARVS_LAZY_SLOTS_H
#define TARVS_LAZY_SLOTS_H

#include <new>

template <typename T, int N>
class TLazySlots {
public:
  // Writes only the count: the storage stays as the loader left it.
  TLazySlots() : built_(0) {}
  ~TLazySlots() {
    for (int i = built_ - 1; i >= 0; --i) Slot(i)->~T();
  }
  TLazySlots(const TLazySlots&) = delete;
  TLazySlots& operator=(const TLazySlots&) = delete;

  T& operator[](int i) {
    if (i >= built_) BuildThrough(i);
    return *Slot(i);
  }
  // Reading a slot builds it too: its default state is what is read.
  const T& operator[](int i) const { return const_cast<TLazySlots&>(*this)[i]; }

  static constexpr int Capacity() { return N; }
  // Slots built so far; every slot at or past it is in its default state.
  int Built() const { return built_; }

  T* begin() { return Slot(0); }
  T* end() { return Slot(built_); }
  const T* begin() const { return const_cast<TLazySlots&>(*this).Slot(0); }
  const T* end() const { return const_cast<TLazySlots&>(*this).Slot(built_); }

private:
  // Out of line so the common path (an already built slot) stays one test.
  __attribute__((noinline)) void BuildThrough(int i) {
    const int last = i < N ? i : N - 1;
    for (; built_ <= last; ++built_) new (static_cast<void*>(Slot(built_))) T();
  }
  T* Slot(int i) { return reinterpret_cast<T*>(storage_) + i; }

  // The count first: it shares a page with whatever comes before the table.
  int built_;
  alignas(T) unsigned char storage_[sizeof(T) * N];
};

#endif
