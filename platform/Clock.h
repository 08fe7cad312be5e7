// The clock seam: the archive run's schemes depend on weekday, day, month and
// year, so tests set the date; production asks the system.
#pragma once

#include <memory>

#include "DateTime.h"

namespace orn {

class Clock {
 public:
  virtual ~Clock() = default;
  // Local date and time now.
  virtual DateTime Now() const = 0;
};

class SystemClock : public Clock {
 public:
  DateTime Now() const override;
};

// A clock that stands still at a chosen moment until moved.
class FixedClock : public Clock {
 public:
  explicit FixedClock(DateTime now) : now_(now) {}
  DateTime Now() const override { return now_; }
  void Set(DateTime now) { now_ = now; }

 private:
  DateTime now_;
};

// The process's clock (the system clock unless a test installed another).
// Owned here; SetClock hands over ownership and returns the previous one.
const Clock& CurrentClock();
std::unique_ptr<Clock> SetClock(std::unique_ptr<Clock> clock);
inline DateTime Now() { return CurrentClock().Now(); }
inline DateTime Today() { return static_cast<double>(static_cast<long>(Now())); }

}  // namespace orn
