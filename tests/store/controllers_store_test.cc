// Every category's controller writing through the real store: the libplist
// coder and the Linux domain file under a scratch XDG_CONFIG_HOME. What a
// second store reads back from the file must be exactly what was sampled.
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <optional>
#include <vector>

#include "battery/batteries_controller.h"
#include "battery/shell_controller.h"
#include "hidsensors/apple_sensor_controller.h"
#include "hidsensors/native_sensor_controller.h"
#include "profiler/profiler_output_parser.h"
#include "protocol/helper_data_model.h"
#include "protocol/record_coding.h"
#include "smc/fan_controller.h"
#include "smc/intel_sensor_controller.h"
#include "tests/fakes/emulated_smc.h"
#include "tests/fakes/fake_hid_event_system.h"
#include "tests/fakes/fake_notification_center.h"
#include "tests/fakes/fake_process_runner.h"
#include "tests/fakes/fake_resource_bundle.h"
#include "tests/support/scratch_config_home.h"
#include "traffic/network_controller.h"

namespace tellwick {
namespace {

using Key = SensorDataModelKey;

// A list in its coded form, the form both sides are compared in.
std::optional<os::PlistValue> coded(IHelperDataModel& model, Key key) {
  auto as = [](const auto& list, auto encode) -> std::optional<os::PlistValue> {
    if (!list) return std::nullopt;
    return encode(*list);
  };
  switch (key) {
    case Key::sensors: return as(model.sensors(), encodeSensors);
    case Key::fans: return as(model.fans(), encodeFans);
    case Key::traffic: return as(model.traffic(), encodeTraffic);
    case Key::singleBatteryDevices: return as(model.singleBatteryDevices(), encodeSingleBatteryDevices);
    case Key::doubleBatteryDevices: return as(model.doubleBatteryDevices(), encodeDoubleBatteryDevices);
  }
  return std::nullopt;
}

// Hands every list on to the real store and keeps what it was handed.
class SamplingModel final : public IHelperDataModel {
 public:
  explicit SamplingModel(IHelperDataModel& store) : store_(store) {}
  void clear() override { store_.clear(); }
  void setSensors(const std::vector<Sensor>& v) override {
    sampled[Key::sensors] = encodeSensors(v);
    store_.setSensors(v);
  }
  void setFans(const std::vector<Fan>& v) override {
    sampled[Key::fans] = encodeFans(v);
    store_.setFans(v);
  }
  void setTraffic(const std::vector<ProcessTrafficInfo>& v) override {
    sampled[Key::traffic] = encodeTraffic(v);
    store_.setTraffic(v);
  }
  void setSingleBatteryDevices(const SingleBatteryDevices& v) override {
    sampled[Key::singleBatteryDevices] = encodeSingleBatteryDevices(v);
    store_.setSingleBatteryDevices(v);
  }
  void setDoubleBatteryDevices(const DoubleBatteryDevices& v) override {
    sampled[Key::doubleBatteryDevices] = encodeDoubleBatteryDevices(v);
    store_.setDoubleBatteryDevices(v);
  }
  std::optional<std::vector<Sensor>> sensors() override { return store_.sensors(); }
  std::optional<std::vector<Fan>> fans() override { return store_.fans(); }
  std::optional<std::vector<ProcessTrafficInfo>> traffic() override { return store_.traffic(); }
  std::optional<SingleBatteryDevices> singleBatteryDevices() override {
    return store_.singleBatteryDevices();
  }
  std::optional<DoubleBatteryDevices> doubleBatteryDevices() override {
    return store_.doubleBatteryDevices();
  }
  std::optional<std::string> takeWriteFailure() override { return store_.takeWriteFailure(); }

  std::map<Key, os::PlistValue> sampled;

 private:
  IHelperDataModel& store_;
};

class ScriptedProfiler final : public IProfilerController {
 public:
  OutputTree run() override {
    return ProfilerOutputParser().parse(
        std::string("Bluetooth:\n\n      Connected:\n"
                    "          Pods:\n"
                    "              Address: 00:1A:7D:DA:71:13\n              Vendor ID: 0x004C\n"
                    "              Product ID: 0x200E\n              Case Battery Level: 60%\n"
                    "              Left Battery Level: 100%\n              Minor Type: Headphones\n"
                    "          Clavier \xC3\xA9t\xC3\xA9:\n"
                    "              Address: AA:BB:CC:DD:EE:01\n              Vendor ID: 0x1234\n"
                    "              Minor Type: Keyboard\n              Battery Level: 85%\n"));
  }
};

// The machine the controllers read, in memory, and the store they write to.
struct Rig {
  Rig() {
    smc.set("FNum", "ui8 ", {1});
    smc.set("F0ID", "{fds",
            {0, 0, 0, 0, 'V', 'e', 'n', 't', 'i', 'l', 0xE9, ' ', ' ', ' ', ' ', ' '});
    smc.setFloat("F0Ac", 2161);
    smc.setFloat("F0Mx", 6156);
    smc.set("TC0P", "sp78", {0x2A, 0x80});
    smc.setFloat("PSTR", 18.25f);
    hid.addThermal("PMU tdie1", 41.123456789);
    hid.addVoltage("PMU vbus", 4.99);
    native.emplace(hid);
    runner.install("/bin/bash",
                   ",bytes_in,bytes_out,\nkernel_task.0,18446744073709551615,1,\n"
                   "Caf\xC3\xA9.42,9223372036854775808,0,\n");
  }

  testing::ScratchConfigHome home;
  std::unique_ptr<os::PropertyListCoder> coder = os::newLinuxPropertyListCoder();
  std::unique_ptr<os::UserDefaults> defaults = os::newLinuxUserDefaults(*coder);
  HelperDataModel store{*defaults, *coder};
  SamplingModel model{store};
  testing::FakeNotificationCenter center;
  testing::FakeResourceBundle bundle;
  testing::EmulatedSmc smc;
  testing::FakeHidEventSystem hid;
  std::optional<NativeSensorController> native;  // names its services when built
  testing::FakeProcessRunner runner;
  std::vector<std::string> environment;
  ScriptedProfiler profiler;
  ShellController finder{profiler, bundle};
  // The Intel controller clears the store when it goes, so it lives as long
  // as the rig.
  std::optional<IntelSensorController> intel;
};

TEST(ControllersThroughTheStoreTest, WhatIsReadBackFromTheFileIsWhatWasSampled) {
  struct Case {
    const char* category;
    std::function<void(Rig&)> update;
    std::vector<Key> keys;
  } const cases[] = {
      {"Intel sensors",
       [](Rig& r) {
         r.intel.emplace(r.model, r.center, r.smc);
         r.intel->start({{"TC0P", "CPU", std::nullopt}, {"PSTR", "Total", std::nullopt}});
         r.intel->updateSensors();
       },
       {Key::sensors}},
      {"Apple sensors",
       [](Rig& r) { AppleSensorController(r.model, r.center, *r.native).updateSensors(); },
       {Key::sensors}},
      {"fans",
       [](Rig& r) { FanController(r.model, r.center, r.smc, r.bundle).updateFans(); },
       {Key::fans}},
      {"traffic",
       [](Rig& r) {
         NetworkController(r.model, r.center, r.runner, r.environment).updateTraffic();
       },
       {Key::traffic}},
      {"batteries",
       [](Rig& r) { BatteriesController(r.model, r.center, r.finder).updateBatteries(); },
       {Key::singleBatteryDevices, Key::doubleBatteryDevices}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.category);
    Rig rig;
    c.update(rig);
    // A second store, as a client would open it, reads the file anew.
    HelperDataModel reader(*rig.defaults, *rig.coder);
    for (Key key : c.keys) {
      ASSERT_TRUE(rig.model.sampled.contains(key)) << rawValue(key);
      const auto& sampled = rig.model.sampled.at(key);
      ASSERT_FALSE(sampled.get<os::PlistArray>()->empty()) << rawValue(key);
      EXPECT_EQ(coded(reader, key), sampled) << rawValue(key);
    }
  }
}

}  // namespace
}  // namespace tellwick
