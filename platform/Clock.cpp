#include "Clock.h"

#include <chrono>
#include <ctime>

namespace orn {

DateTime SystemClock::Now() const {
  auto now = std::chrono::system_clock::now();
  std::time_t secs = std::chrono::system_clock::to_time_t(now);
  auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
  std::tm local{};
  localtime_r(&secs, &local);
  DateTime date = *EncodeDate(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday);
  return date + EncodeTime(local.tm_hour, local.tm_min, local.tm_sec, static_cast<int>(ms));
}

namespace {
std::unique_ptr<Clock>& ClockSlot() {
  static std::unique_ptr<Clock> clock = std::make_unique<SystemClock>();
  return clock;
}
}  // namespace

const Clock& CurrentClock() { return *ClockSlot(); }

std::unique_ptr<Clock> SetClock(std::unique_ptr<Clock> clock) {
  std::unique_ptr<Clock> previous = std::move(ClockSlot());
  ClockSlot() = clock ? std::move(clock) : std::make_unique<SystemClock>();
  return previous;
}

}  // namespace orn
