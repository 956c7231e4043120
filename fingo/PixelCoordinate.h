#pragma once

namespace Fingo {

// The device's position truncated to whole pixels. Saturates instead of
// overflowing: a plain cast of a huge or non-finite double is undefined.
int truncateToPixel(double coordinate);

} // namespace Fingo
