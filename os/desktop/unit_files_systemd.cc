#include <cstring>

#include "os/bus/user_bus_linux.h"
#include "os/desktop/unit_files.h"

namespace tellwick::os {
namespace {

constexpr const char* kManager = "org.freedesktop.systemd1";
constexpr const char* kManagerPath = "/org/freedesktop/systemd1";
constexpr const char* kManagerInterface = "org.freedesktop.systemd1.Manager";
constexpr std::uint64_t kCallTimeoutUs = 10'000'000;

// Owns a call's error and reply.
struct Call {
  sd_bus_error error = SD_BUS_ERROR_NULL;
  sd_bus_message* reply = nullptr;
  int r = 0;
  ~Call() {
    sd_bus_message_unref(reply);
    sd_bus_error_free(&error);
  }
  std::string why(const std::string& what) const {
    if (sd_bus_error_is_set(&error) && error.message) return what + ": " + error.message;
    return errnoMessage(what, -r);
  }
};

class SystemdUnitFiles final : public UnitFileManager {
 public:
  explicit SystemdUnitFiles(sd_bus* bus) : bus_(bus) {}
  ~SystemdUnitFiles() override { sd_bus_flush_close_unref(bus_); }

  Result<std::optional<std::string>> unitFileState(const std::string& unit) override {
    Call call;
    call.r = sd_bus_call_method(bus_, kManager, kManagerPath, kManagerInterface, "GetUnitFileState",
                                &call.error, &call.reply, "s", unit.c_str());
    if (call.r < 0) {
      if (sd_bus_error_has_names(&call.error, "org.freedesktop.DBus.Error.FileNotFound",
                                 "org.freedesktop.systemd1.NoSuchUnit")) {
        return std::optional<std::string>();
      }
      return failure(call.why("cannot ask the user's service manager about " + unit));
    }
    const char* state = nullptr;
    if (sd_bus_message_read_basic(call.reply, 's', &state) <= 0 || !state) {
      return failure("the user's service manager gave no state for " + unit);
    }
    return std::optional<std::string>(state);
  }

  Status enableUnitFiles(const std::vector<std::string>& units) override {
    return changeUnitFiles("EnableUnitFiles", units, true);
  }

  Status disableUnitFiles(const std::vector<std::string>& units) override {
    return changeUnitFiles("DisableUnitFiles", units, false);
  }

  Status reload() override {
    Call call;
    call.r = sd_bus_call_method(bus_, kManager, kManagerPath, kManagerInterface, "Reload", &call.error,
                                &call.reply, "");
    if (call.r < 0) return failure(call.why("the user's service manager did not reload"));
    return {};
  }

 private:
  Status changeUnitFiles(const char* method, const std::vector<std::string>& units, bool withForce) {
    Call call;
    sd_bus_message* message = nullptr;
    int r = sd_bus_message_new_method_call(bus_, &message, kManager, kManagerPath, kManagerInterface, method);
    if (r >= 0) r = sd_bus_message_open_container(message, 'a', "s");
    for (const auto& unit : units) {
      if (r >= 0) r = sd_bus_message_append_basic(message, 's', unit.c_str());
    }
    if (r >= 0) r = sd_bus_message_close_container(message);
    // runtime=false: the change outlives a reboot; force=false: links that
    // point elsewhere are left alone.
    if (r >= 0) r = sd_bus_message_append(message, "b", 0);
    if (r >= 0 && withForce) r = sd_bus_message_append(message, "b", 0);
    if (r >= 0) r = sd_bus_call(bus_, message, kCallTimeoutUs, &call.error, &call.reply);
    sd_bus_message_unref(message);
    call.r = r;
    if (r < 0) return failure(call.why(std::string(method) + " failed"));
    return {};
  }

  sd_bus* bus_;
};

}  // namespace

Result<std::unique_ptr<UnitFileManager>> newLinuxUnitFileManager() {
  auto bus = openUserBus(kCallTimeoutUs);
  if (!bus) return failure(bus.error());
  return std::unique_ptr<UnitFileManager>(std::make_unique<SystemdUnitFiles>(*bus));
}

}  // namespace tellwick::os
