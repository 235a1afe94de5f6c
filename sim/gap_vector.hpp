// A sequence with a movable gap: inserting or erasing near the last edit costs O(1)
// amortised, so a top-to-bottom pass of edits over a file stays linear in its size.
#pragma once

#include <cstddef>
#include <utility>
#include <vector>

template <typename T> struct GapVector {
  std::vector<T> Items;
  std::size_t GapStart = 0;
  std::size_t GapEnd = 0;

  std::size_t size() const { return Items.size() - (GapEnd - GapStart); }
  T &operator[](std::size_t I) { return I < GapStart ? Items[I] : Items[I + GapEnd - GapStart]; }
  const T &operator[](std::size_t I) const {
    return I < GapStart ? Items[I] : Items[I + GapEnd - GapStart];
  }
  void clear() {
    Items.clear();
    GapStart = GapEnd = 0;
  }
  void push_back(T Value) {
    MoveGap(size());
    if (GapStart == GapEnd)
      Grow();
    Items[GapStart++] = std::move(Value);
  }
  void insert(std::size_t At, T Value) {
    MoveGap(At);
    if (GapStart == GapEnd)
      Grow();
    Items[GapStart++] = std::move(Value);
  }
  void erase(std::size_t At) {
    MoveGap(At);
    Items[GapEnd] = T();
    ++GapEnd;
  }

private:
  void MoveGap(std::size_t At) {
    // An empty gap moves for free; moving items onto themselves would empty them.
    if (GapStart == GapEnd) {
      GapStart = GapEnd = At;
      return;
    }
    while (GapStart > At)
      Items[--GapEnd] = std::move(Items[--GapStart]);
    while (GapStart < At)
      Items[GapStart++] = std::move(Items[GapEnd++]);
  }
  void Grow() {
    std::size_t Tail = Items.size() - GapEnd;
    // Grow by an eighth: within the capacity reserved beforehand this moves nothing but
    // the tail, and beyond it the growth stays geometric.
    std::size_t Extra = Items.size() / 8 < 16 ? 16 : Items.size() / 8;
    Items.resize(Items.size() + Extra);
    for (std::size_t K = 0; K < Tail; ++K)
      Items[Items.size() - 1 - K] = std::move(Items[GapEnd + Tail - 1 - K]);
    GapEnd += Extra;
  }
};
