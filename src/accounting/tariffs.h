// The price of on-line time: the tariff in force at an hour, and the cost of one second.
#pragma once

namespace velmor {

struct Tariffs {
    int count = 1;  // 1 to 3
    int time1 = 0, time2 = 0, time3 = 0;
    double price1 = 0, price2 = 0, price3 = 0;  // per hour
};

// The price per hour at hour h (0 to 23): the "from" hour is excluded and the "to" hour included.
double priceAt(const Tariffs& t, int hour);
// The cost of one second at hour h.
inline double costOfSecond(const Tariffs& t, int hour) {
    return priceAt(t, hour) / 3600.0;
}

}  // namespace velmor
