// The service machine's local time, as the gateway answers it and the admin command line stamps
// what it publishes: one clock for both, so an item published by hand and a client's view of the
// server's time agree.
#pragma once
#include "gateway/date_time.h"

namespace velmora::service {

// Now, in local time, to the second (a leap second reads as :59).
DateTime LocalNow();

}  // namespace velmora::service
