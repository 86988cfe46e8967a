#ifndef TELLWICK_PROTOCOL_SENSOR_KIT_CONSTANTS_H_
#define TELLWICK_PROTOCOL_SENSOR_KIT_CONSTANTS_H_

#include <string_view>

namespace tellwick {

struct SensorKitConstants {
  SensorKitConstants() = delete;

  // The application group whose shared preferences domain carries every answer.
  static constexpr std::string_view appGroup = "group.K7QZ2M4PXT.com.quorvane.helper";
};

}  // namespace tellwick

#endif  // TELLWICK_PROTOCOL_SENSOR_KIT_CONSTANTS_H_
