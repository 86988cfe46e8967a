#include <cstring>

#include "os/bus/bus_names.h"
#include "os/bus/user_bus_linux.h"

namespace tellwick::os {
namespace {

constexpr const char* kBus = "org.freedesktop.DBus";
constexpr const char* kBusPath = "/org/freedesktop/DBus";
constexpr std::uint64_t kCallTimeoutUs = 5'000'000;

std::string callError(const char* what, int r, const sd_bus_error& error) {
  if (sd_bus_error_is_set(&error) && error.message) return std::string(what) + ": " + error.message;
  return std::string(what) + ": " + std::strerror(-r);
}

class LinuxBusNames final : public BusNames {
 public:
  explicit LinuxBusNames(sd_bus* bus) : bus_(bus) {}
  ~LinuxBusNames() override { sd_bus_flush_close_unref(bus_); }

  bool nameHasOwner(const std::string& name) override {
    sd_bus_error error = SD_BUS_ERROR_NULL;
    sd_bus_message* reply = nullptr;
    int owned = 0;
    if (sd_bus_call_method(bus_, kBus, kBusPath, kBus, "NameHasOwner", &error, &reply, "s",
                           name.c_str()) >= 0) {
      if (sd_bus_message_read_basic(reply, 'b', &owned) < 0) owned = 0;
    }
    sd_bus_message_unref(reply);
    sd_bus_error_free(&error);
    return owned != 0;
  }

  Status startService(const std::string& name) override {
    auto known = isActivatable(name);
    if (!known) return failure(known.error());
    if (!*known) return failure("the session bus has no service file for " + name);
    // No reply is asked for: the bus answers StartServiceByName only once the
    // program owns its name, and the caller must not wait for that here.
    sd_bus_message* call = nullptr;
    int r = sd_bus_message_new_method_call(bus_, &call, kBus, kBusPath, kBus, "StartServiceByName");
    if (r >= 0) r = sd_bus_message_append(call, "su", name.c_str(), 0u);
    if (r >= 0) r = sd_bus_message_set_expect_reply(call, 0);
    if (r >= 0) r = sd_bus_send(bus_, call, nullptr);
    if (r >= 0) r = sd_bus_flush(bus_);
    sd_bus_message_unref(call);
    if (r < 0) return failure(errnoMessage("cannot ask the session bus to start " + name, -r));
    return {};
  }

 private:
  Result<bool> isActivatable(const std::string& name) {
    sd_bus_error error = SD_BUS_ERROR_NULL;
    sd_bus_message* reply = nullptr;
    int r = sd_bus_call_method(bus_, kBus, kBusPath, kBus, "ListActivatableNames", &error, &reply, "");
    if (r < 0) {
      std::string message = callError("cannot list the session bus's services", r, error);
      sd_bus_error_free(&error);
      return failure(message);
    }
    bool found = false;
    const char* each = nullptr;
    if (sd_bus_message_enter_container(reply, 'a', "s") > 0) {
      while (!found && sd_bus_message_read_basic(reply, 's', &each) > 0) found = name == each;
    }
    sd_bus_message_unref(reply);
    return found;
  }

  sd_bus* bus_;
};

}  // namespace

Result<std::unique_ptr<BusNames>> newLinuxBusNames() {
  auto bus = openUserBus(kCallTimeoutUs);
  if (!bus) return failure(bus.error());
  return std::unique_ptr<BusNames>(std::make_unique<LinuxBusNames>(*bus));
}

}  // namespace tellwick::os
