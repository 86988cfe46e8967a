#ifndef TELLWICK_PROTOCOL_HELPER_CATEGORIES_H_
#define TELLWICK_PROTOCOL_HELPER_CATEGORIES_H_

#include <span>
#include <string_view>

#include "protocol/helper_data_model.h"

namespace tellwick {

// One kind of answer the helper gives: the name clients know it by, the
// request that asks for it, the response that says it is stored, and the
// store keys that response means were rewritten.
struct HelperCategory {
  std::string_view name;
  std::string_view request;
  std::string_view response;
  std::span<const SensorDataModelKey> keys;
};

// sensors, fans, traffic, batteries: the order in which clients list them.
std::span<const HelperCategory> helperCategories();

// The category of that name; nullptr when there is none.
const HelperCategory* helperCategory(std::string_view name);

}  // namespace tellwick

#endif  // TELLWICK_PROTOCOL_HELPER_CATEGORIES_H_
