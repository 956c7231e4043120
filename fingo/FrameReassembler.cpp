#include "FrameReassembler.h"

#include "TCPFrame.h"

#include <algorithm>
#include <cstring>

namespace Fingo {

void FrameReassembler::commit(std::size_t received) {
    m_size = std::min(kCapacity, m_size + received);
}

void FrameReassembler::dropFront(std::size_t count) {
    std::memmove(m_buffer.data(), m_buffer.data() + count, m_size - count);
    m_size -= count;
}

bool FrameReassembler::cutFrame(std::string& text) {
    const char* begin = m_buffer.data();
    const char* end = begin + m_size;
    const char* start = std::find(begin, end, static_cast<char>(TCPFrame::kStart));
    if (start == end)
        return false;
    const char* stop = std::find(start, end, static_cast<char>(TCPFrame::kEnd));
    if (stop == end) {
        const auto offset = static_cast<std::size_t>(start - begin);
        if (offset >= kShiftThreshold)
            dropFront(offset);
        return false;
    }
    const std::string payload =
        TCPFrame::decode(start + 1, static_cast<std::size_t>(stop - start - 1));
    text.assign(payload.c_str()); // up to the first NUL
    dropFront(static_cast<std::size_t>(stop - begin) + 1);
    return true;
}

} // namespace Fingo
