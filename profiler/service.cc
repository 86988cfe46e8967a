#include "profiler/service.h"

namespace tellwick {

const Service& Services::bluetooth() {
  static const Service service("SPBluetoothDataType");
  return service;
}

}  // namespace tellwick
