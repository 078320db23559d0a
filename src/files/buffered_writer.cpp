#include "files/buffered_writer.h"

#include "files/posix_io.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <unistd.h>

BufferedWriter::BufferedWriter(int fd, qsizetype bufferSize)
    : m_fd(fd), m_capacity(std::max<qsizetype>(bufferSize, 1))
{
    m_buffer = std::make_unique_for_overwrite<char[]>(size_t(m_capacity));
}

bool BufferedWriter::write(QByteArrayView bytes)
{
    if (m_error != 0)
        return false;
    if (bytes.isEmpty())
        return true; // an empty view may have no bytes behind it at all
    if (bytes.size() <= m_capacity - m_used) {
        std::memcpy(m_buffer.get() + m_used, bytes.data(), size_t(bytes.size()));
        m_used += bytes.size();
        return true;
    }
    if (!flush())
        return false;
    if (bytes.size() >= m_capacity)
        return writeOut(bytes.data(), bytes.size());
    std::memcpy(m_buffer.get(), bytes.data(), size_t(bytes.size()));
    m_used = bytes.size();
    return true;
}

bool BufferedWriter::writeLine(QByteArrayView bytes)
{
    return write(bytes) && write("\r\n");
}

bool BufferedWriter::flush()
{
    if (m_error != 0)
        return false;
    const qsizetype used = m_used;
    m_used = 0;
    return writeOut(m_buffer.get(), used);
}

bool BufferedWriter::writeOut(const char* data, qsizetype size)
{
    while (size > 0) {
        const ssize_t count = PosixIo::write(m_fd, data, size_t(size));
        if (count > 0) {
            data += count;
            size -= count;
        } else if (count < 0 && errno == EINTR) {
            continue;
        } else {
            // A write that takes nothing without an error leaves no way
            // forward; it counts as the disk being full.
            m_error = count < 0 ? errno : ENOSPC;
            return false;
        }
    }
    return true;
}
