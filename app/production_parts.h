#ifndef TELLWICK_APP_PRODUCTION_PARTS_H_
#define TELLWICK_APP_PRODUCTION_PARTS_H_

#include <memory>

#include "app/helper_controller.h"
#include "os/notification_center.h"
#include "os/process_runner.h"
#include "os/property_list_coder.h"
#include "os/smc_user_client.h"
#include "os/user_defaults.h"

namespace tellwick {

// The machine's services that the real controllers read through. Not owned;
// each must outlive the parts and everything they build.
struct HelperServices {
  os::NotificationCenter& center;
  os::UserDefaults& userDefaults;
  os::PropertyListCoder& coder;
  os::SmcUserClient& smc;
  os::ProcessRunner& runner;
};

// The real store and controllers. The parts also own the helpers those
// controllers lean on (the HID reader, the profiler runner), so they must
// live as long as the composition root they built.
std::unique_ptr<HelperParts> makeProductionHelperParts(const HelperServices& services);

}  // namespace tellwick

#endif  // TELLWICK_APP_PRODUCTION_PARTS_H_
