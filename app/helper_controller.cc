#include "app/helper_controller.h"

#include "protocol/sensors.h"

namespace tellwick {
namespace {

// Stands in for a HID reader that could not be opened: it lists no services,
// so the sensor request is still answered, with an empty list.
class NoHidEventSystem final : public os::HidEventSystem {
 public:
  std::unique_ptr<os::HidEventSystemClient> createClient() override {
    return std::make_unique<NoServices>();
  }

 private:
  class NoServices final : public os::HidEventSystemClient {
   public:
    void setMatching(const os::PlistDictionary&) override {}
    std::optional<std::vector<std::unique_ptr<os::HidServiceClient>>> copyServices()
        const override {
      return std::nullopt;
    }
  };
};

}  // namespace

HelperController::HelperController(const HelperServices& s, os::SystemIdentification& system)
    : model_(s.userDefaults, s.coder) {
  const bool intel = system.machine() != "arm64" && s.smcPresent && s.smcPresent();
  if (!intel) {
    auto opened = s.openHidEventSystem();
    hidSystem_ = opened ? std::move(*opened) : std::make_unique<NoHidEventSystem>();
    native_.emplace(*hidSystem_);
    appleSensors_.emplace(model_, s.center, *native_, s.loop);
  } else {
    intelSensors_.emplace(model_, s.center, s.smc, s.loop);
    intelSensors_->start(Sensors::all(s.bundle));
  }
  network_.emplace(model_, s.center, s.runner, s.environment);
  fans_.emplace(model_, s.center, s.smc, s.bundle, s.loop);
  profiler_.emplace(s.runner, s.environment, Services::bluetooth());
  finder_.emplace(*profiler_, s.bundle);
  batteries_.emplace(model_, s.center, *finder_);
}

ISensorController& HelperController::sensors() {
  if (appleSensors_) return *appleSensors_;
  return *intelSensors_;
}

}  // namespace tellwick
