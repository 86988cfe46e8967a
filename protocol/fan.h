#ifndef TELLWICK_PROTOCOL_FAN_H_
#define TELLWICK_PROTOCOL_FAN_H_

#include <cstdint>
#include <string>

namespace tellwick {

// One fan; speeds in revolutions per minute. Coding keys are the field names.
struct Fan {
  std::string identifier;
  std::string name;
  std::int64_t rpm;
  std::int64_t min;
  std::int64_t max;
  std::int64_t target;

  Fan(std::string identifier, std::string name, std::int64_t rpm, std::int64_t min,
      std::int64_t max, std::int64_t target);

  // (rpm - min) / (max - min) in single precision, clamped to 0...1; NaN
  // passes through when rpm == min == max.
  float relativeSpeed() const;
};

}  // namespace tellwick

#endif  // TELLWICK_PROTOCOL_FAN_H_
