#include "PixelCoordinate.h"

#include <climits>
#include <cmath>

namespace Fingo {

int truncateToPixel(double coordinate) {
    if (std::isnan(coordinate))
        return 0;
    if (coordinate >= static_cast<double>(INT_MAX))
        return INT_MAX;
    if (coordinate <= static_cast<double>(INT_MIN))
        return INT_MIN;
    return static_cast<int>(coordinate);
}

} // namespace Fingo
