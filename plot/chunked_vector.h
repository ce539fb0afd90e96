#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <memory>
#include <vector>

namespace tresvik {

// An append-only sequence kept in chunks of kChunkSize elements. Growing never moves what is
// stored and never holds more than one chunk in reserve, where a doubling vector may hold as much
// again as it stores: a session of many hours costs its samples and little else.
//
// A copy shares the chunks and holds the elements there were when it was made. Appending never
// writes where a copy reads: new elements go past the end of every copy, and a chunk that is
// shared is copied before either side appends into it. Copies thus behave as values, and one can
// be read on another thread while the original, on its own thread, keeps growing.
template <typename T, std::size_t kChunkSize>
class ChunkedVector {
public:
    void append(const T& value) {
        const std::size_t slot = m_size % kChunkSize;
        if (slot == 0) {
            m_chunks.push_back(std::make_shared<Chunk>());
        } else if (m_chunks.back().use_count() > 1) {
            m_chunks.back() = std::make_shared<Chunk>(*m_chunks.back());
        }
        (*m_chunks.back())[slot] = value;
        ++m_size;
    }

    std::size_t size() const { return m_size; }
    bool empty() const { return m_size == 0; }
    const T& operator[](std::size_t index) const {
        return (*m_chunks[index / kChunkSize])[index % kChunkSize];
    }

    // Calls `visit(element)` for the elements from `first` up to, not including, `last`.
    template <typename Visit>
    void visit(std::size_t first, std::size_t last, Visit&& visit) const {
        while (first < last) {
            const std::size_t chunk = first / kChunkSize;
            const T* element = m_chunks[chunk]->data() + first % kChunkSize;
            const std::size_t end = std::min(last, (chunk + 1) * kChunkSize);
            for (const T* stop = element + (end - first); element != stop; ++element) {
                visit(*element);
            }
            first = end;
        }
    }

    // The first index from `first` on whose element is not `before` the one sought, where those
    // that are come first: as std::partition_point. The search strides from `first` in steps
    // that double, so an answer close by costs a few looks at elements close by.
    template <typename Before>
    std::size_t partitionPoint(std::size_t first, Before&& before) const {
        std::size_t low = first;
        std::size_t high = first;
        for (std::size_t stride = 1; high < m_size && before((*this)[high]); stride *= 2) {
            low = high + 1;
            high += stride;
        }
        high = std::min(high, m_size);
        while (low < high) {
            const std::size_t middle = low + (high - low) / 2;
            if (before((*this)[middle])) {
                low = middle + 1;
            } else {
                high = middle;
            }
        }
        return low;
    }

private:
    using Chunk = std::array<T, kChunkSize>;

    std::vector<std::shared_ptr<Chunk>> m_chunks;
    std::size_t m_size = 0;
};

}  // namespace tresvik
