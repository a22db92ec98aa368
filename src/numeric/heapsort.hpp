// In-place heapsort of a key array together with any number of companion arrays
// (Williams 1964, Floyd's heap construction; the sift order of Press et al.,
// Numerical Recipes, "hpsort"). Internal to the sorting routines of sorting.hpp.
//
// Element i (1-based heap position i) is keys[i−1] together with companion[i−1] of
// every companion array; the whole element moves as one. The sort is not stable, and
// where equal keys end up is fixed by the exact sequence below: analyses that break
// ties by position depend on it, so the order of comparisons and moves is part of the
// contract. Keys are compared with the ordinary < of their type. O(n log n), no
// storage beyond one pending element.
#pragma once

#include <cstddef>
#include <tuple>
#include <utility>

namespace sheetstat::detail {

template <class Key, class... Companion>
class HeapElements {
public:
    // The key and companions of one element, held while it is out of the arrays.
    struct Element {
        Key key;
        std::tuple<Companion...> companions;
    };

    explicit HeapElements(Key* keys, Companion*... companions) noexcept : keys_(keys), companions_(companions...) {}

    Key key(std::size_t i) const noexcept { return keys_[i - 1]; }

    Element Take(std::size_t i) const noexcept { return {keys_[i - 1], TakeCompanions(i, kEach)}; }

    void Put(std::size_t i, const Element& element) const noexcept
    {
        keys_[i - 1] = element.key;
        PutCompanions(i, element.companions, kEach);
    }

    // Element `from` is copied to position `to`.
    void Move(std::size_t to, std::size_t from) const noexcept
    {
        keys_[to - 1] = keys_[from - 1];
        MoveCompanions(to, from, kEach);
    }

private:
    static constexpr auto kEach = std::index_sequence_for<Companion...>{};

    template <std::size_t... c>
    std::tuple<Companion...> TakeCompanions([[maybe_unused]] std::size_t i, std::index_sequence<c...>) const noexcept
    {
        return {std::get<c>(companions_)[i - 1]...};
    }
    template <std::size_t... c>
    void PutCompanions([[maybe_unused]] std::size_t i, [[maybe_unused]] const std::tuple<Companion...>& values, std::index_sequence<c...>) const noexcept
    {
        ((std::get<c>(companions_)[i - 1] = std::get<c>(values)), ...);
    }
    template <std::size_t... c>
    void MoveCompanions([[maybe_unused]] std::size_t to, [[maybe_unused]] std::size_t from, std::index_sequence<c...>) const noexcept
    {
        ((std::get<c>(companions_)[to - 1] = std::get<c>(companions_)[from - 1]), ...);
    }

    Key* keys_;
    std::tuple<Companion*...> companions_;
};

// Sorts positions 1..n ascending by key; n < 2 leaves everything unchanged.
template <class Key, class... Companion>
void HeapSort(std::size_t n, Key* keys, Companion*... companions) noexcept
{
    if (n < 2) return;
    const HeapElements<Key, Companion...> a(keys, companions...);
    std::size_t l = n / 2 + 1;
    std::size_t ir = n;
    for (;;) {
        typename HeapElements<Key, Companion...>::Element pending{};
        if (l > 1) {
            // Building the heap: the element at l sinks into the heap below it.
            --l;
            pending = a.Take(l);
        } else {
            // Selection: the largest element (the root) goes to the end of the heap.
            pending = a.Take(ir);
            a.Move(ir, 1);
            if (--ir == 1) {
                a.Put(1, pending);
                return;
            }
        }
        // Sift down from l: the larger child rises while it exceeds the pending key.
        std::size_t i = l;
        std::size_t j = l + l;
        while (j <= ir) {
            if (j < ir && a.key(j) < a.key(j + 1)) ++j;
            if (pending.key < a.key(j)) {
                a.Move(i, j);
                i = j;
                j += j;
            } else {
                j = ir + 1;
            }
        }
        a.Put(i, pending);
    }
}

}  // namespace sheetstat::detail
