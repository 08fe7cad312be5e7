// DOS date and time as the zip format stores them: local time, two-second
// steps, 1980 to 2107.
#pragma once

#include <cstdint>
#include <ctime>

namespace orn::zipfmt {

// Date in the high 16 bits, time in the low 16. Odd seconds round up, as the
// common zip tools do, so a file is never newer than its entry.
std::uint32_t ToDosDateTime(std::time_t t);
std::time_t FromDosDateTime(std::uint32_t dosDateTime);

}  // namespace orn::zipfmt
