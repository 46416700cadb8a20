#include "accounting/tariffs.h"

namespace velmor {

double priceAt(const Tariffs& t, int h) {
    if (t.count <= 1) return t.price1;
    if (t.time1 < h && h <= t.time2) return t.price1;
    if (t.count == 2) return t.price2;
    if (t.time2 < h && h <= t.time3) return t.price2;
    return t.price3;
}

}  // namespace velmor
