#include <cstdint>

#include "os/bus/bus_names.h"
#include "os/bus/user_bus_linux.h"

namespace tellwick::os {
namespace {

constexpr const char* kBus = "org.freedesktop.DBus";
constexpr const char* kBusPath = "/org/freedesktop/DBus";

class LinuxBusNames final : public BusNames {
 public:
  explicit LinuxBusNames(sd_bus* bus) : bus_(bus) {}

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

  Status startService(const std::string& name, StartReply replied) override {
    sd_bus_message* call = nullptr;
    int r = sd_bus_message_new_method_call(bus_, &call, kBus, kBusPath, kBus, "StartServiceByName");
    if (r >= 0) r = sd_bus_message_append(call, "su", name.c_str(), 0u);
    if (r >= 0 && !replied) {
      r = sd_bus_message_set_expect_reply(call, 0);
      if (r >= 0) r = sd_bus_send(bus_, call, nullptr);
    } else if (r >= 0) {
      // The bus answers once the program owns its name or has failed; it
      // gives up on a start itself and says so, so no deadline of ours.
      auto* callback = new StartReply(std::move(replied));
      sd_bus_slot* slot = nullptr;
      r = sd_bus_call_async(bus_, &slot, call, &LinuxBusNames::onStartReply, callback, UINT64_MAX);
      if (r < 0) {
        delete callback;
      } else {
        sd_bus_slot_set_destroy_callback(slot, [](void* p) { delete static_cast<StartReply*>(p); });
        // The bus keeps the slot until the answer comes or it closes.
        sd_bus_slot_set_floating(slot, 1);
        sd_bus_slot_unref(slot);
      }
    }
    if (r >= 0) r = sd_bus_flush(bus_);
    sd_bus_message_unref(call);
    if (r < 0) return failure(errnoMessage("cannot ask the session bus to start " + name, -r));
    return {};
  }

 private:
  static int onStartReply(sd_bus_message* reply, void* userdata, sd_bus_error*) {
    const sd_bus_error* error = sd_bus_message_get_error(reply);
    const StartReply& replied = *static_cast<StartReply*>(userdata);
    if (!error) {
      replied({});
    } else {
      replied(failure(error->message && *error->message ? error->message : error->name));
    }
    return 0;
  }

  sd_bus* bus_;
};

}  // namespace

std::unique_ptr<BusNames> newBusNamesOn(sd_bus* bus) { return std::make_unique<LinuxBusNames>(bus); }

}  // namespace tellwick::os
