#pragma once

#include <array>
#include <cstddef>
#include <string>

namespace Fingo {

// Collects received bytes in a fixed buffer and cuts complete frames out of
// it. A message larger than the buffer can never be received.
class FrameReassembler {
public:
    static constexpr std::size_t kCapacity = 4096;
    // A start marker found this far into the buffer without its end marker
    // is moved to the front, dropping what came before it.
    static constexpr std::size_t kShiftThreshold = 2048;

    // Where the next received bytes go, and how many fit.
    char* freeSpace() { return m_buffer.data() + m_size; }
    std::size_t freeSize() const { return kCapacity - m_size; }
    void commit(std::size_t received);

    bool isFull() const { return m_size == kCapacity; }
    std::size_t size() const { return m_size; }
    void clear() { m_size = 0; }

    // Cuts the first complete frame: true with its payload text (the decoded
    // bytes up to the first NUL), dropping everything up to its end marker.
    bool cutFrame(std::string& text);

private:
    void dropFront(std::size_t count);

    std::array<char, kCapacity> m_buffer{};
    std::size_t m_size = 0;
};

} // namespace Fingo
