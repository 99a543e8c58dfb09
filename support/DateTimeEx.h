#pragma once
#include "platform/Clock.h"

int YearOf(TDateTime Date);
// 1 for 1 January up to 366; the time of day does not count.
int DayOfYear(TDateTime Date);
