#pragma once

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <sys/mman.h>
#include <type_traits>

// A growing array of plain values for one large, short-lived collection,
// such as the text of every entry of a diary. Its memory comes straight from
// the system in whole 2 MiB pieces, with large pages asked for: touching
// tens of megabytes of fresh memory one 4 KiB page at a time can cost more
// than filling it. Growing moves the pages, not the bytes.
template<typename T>
class PageArray
{
    static_assert(std::is_trivially_copyable_v<T>);

public:
    PageArray() = default;
    PageArray(const PageArray&) = delete;
    PageArray& operator=(const PageArray&) = delete;
    ~PageArray()
    {
        if (m_data)
            ::munmap(m_data, m_capacity * sizeof(T));
    }

    // False when the system has no memory to give.
    bool reserve(size_t count)
    {
        if (count <= m_capacity)
            return true;
        const size_t bytes = (count * sizeof(T) + pieceSize - 1) / pieceSize * pieceSize;
        void* data = m_data ? ::mremap(m_data, m_capacity * sizeof(T), bytes, MREMAP_MAYMOVE)
                            : ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE,
                                     MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (data == MAP_FAILED)
            return false;
        // Only advice: where the system has no large pages, small ones do.
        ::madvise(data, bytes, MADV_HUGEPAGE);
        m_data = static_cast<T*>(data);
        m_capacity = bytes / sizeof(T);
        return true;
    }

    bool append(const T* values, size_t count)
    {
        if (m_size + count > m_capacity && !reserve(std::max(m_size + count, m_capacity * 2)))
            return false;
        std::memcpy(m_data + m_size, values, count * sizeof(T));
        m_size += count;
        return true;
    }

    bool push_back(const T& value) { return append(&value, 1); }

    T* begin() { return m_data; }
    T* end() { return m_data + m_size; }
    const T* data() const { return m_data; }
    size_t size() const { return m_size; }
    T& operator[](size_t i) { return m_data[i]; }

private:
    static constexpr size_t pieceSize = size_t(2) << 20;

    T* m_data = nullptr;
    size_t m_size = 0;
    size_t m_capacity = 0;
};
