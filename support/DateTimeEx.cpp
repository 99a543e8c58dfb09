#include "support/DateTimeEx.h"

#include <cmath>

int YearOf(TDateTime Date) {
    int y, m, d;
    DecodeDate(Date, y, m, d);
    return y;
}

int DayOfYear(TDateTime Date) {
    return static_cast<int>(std::trunc(Date - EncodeDate(YearOf(Date), 1, 1))) + 1;
}
