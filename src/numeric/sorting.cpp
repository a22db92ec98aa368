// The library's sorts: one heapsort (heapsort.hpp) instantiated for each key type and
// set of companion arrays that the analyses carry along with their keys.
#include "numeric/sorting.hpp"

#include "numeric/heapsort.hpp"

namespace sheetstat {

void SortReals(std::size_t n, double* keys)
{
    detail::HeapSort(n, keys);
}

void SortRealsWithReals(std::size_t n, double* keys, double* companion)
{
    detail::HeapSort(n, keys, companion);
}

void SortRealsWithInts(std::size_t n, double* keys, int32_t* companion)
{
    detail::HeapSort(n, keys, companion);
}

void SortIntsWithReals(std::size_t n, int32_t* keys, double* companion)
{
    detail::HeapSort(n, keys, companion);
}

void SortRealsWithTwoInts(std::size_t n, double* keys, int32_t* first, int32_t* second)
{
    detail::HeapSort(n, keys, first, second);
}

void SortRealsWithTwoReals(std::size_t n, double* keys, double* first, double* second)
{
    detail::HeapSort(n, keys, first, second);
}

}  // namespace sheetstat
