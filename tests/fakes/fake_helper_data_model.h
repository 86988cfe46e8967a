#ifndef TELLWICK_TESTS_FAKES_FAKE_HELPER_DATA_MODEL_H_
#define TELLWICK_TESTS_FAKES_FAKE_HELPER_DATA_MODEL_H_

#include <optional>
#include <string>
#include <vector>

#include "protocol/helper_data_model.h"
#include "tests/fakes/journal.h"

namespace tellwick::testing {

// Keeps the lists in memory and counts writes; for controller tests that do
// not care about the coded form.
class FakeHelperDataModel final : public IHelperDataModel {
 public:
  explicit FakeHelperDataModel(Journal* journal = nullptr) : journal_(journal) {}

  void clear() override {
    note("clear");
    sensors_ = {}, fans_ = {}, traffic_ = {}, single_ = {}, double_ = {};
  }
  void setSensors(const std::vector<Sensor>& v) override { note("setSensors"), sensors_ = v; }
  void setFans(const std::vector<Fan>& v) override { note("setFans"), fans_ = v; }
  void setTraffic(const std::vector<ProcessTrafficInfo>& v) override { note("setTraffic"), traffic_ = v; }
  void setSingleBatteryDevices(const SingleBatteryDevices& v) override {
    note("setSingleBatteryDevices"), single_ = v;
  }
  void setDoubleBatteryDevices(const DoubleBatteryDevices& v) override {
    note("setDoubleBatteryDevices"), double_ = v;
  }
  std::optional<std::vector<Sensor>> sensors() override { return sensors_; }
  std::optional<std::vector<Fan>> fans() override { return fans_; }
  std::optional<std::vector<ProcessTrafficInfo>> traffic() override { return traffic_; }
  std::optional<SingleBatteryDevices> singleBatteryDevices() override { return single_; }
  std::optional<DoubleBatteryDevices> doubleBatteryDevices() override { return double_; }
  std::optional<std::string> takeWriteFailure() override { return failWrites; }

  int writes() const { return writes_; }
  // Set: every write "fails" with this reason (the lists are still kept).
  std::optional<std::string> failWrites;

 private:
  void note(const char* what) {
    ++writes_;
    if (journal_) journal_->push_back(what);
  }

  Journal* journal_;
  int writes_ = 0;
  std::optional<std::vector<Sensor>> sensors_;
  std::optional<std::vector<Fan>> fans_;
  std::optional<std::vector<ProcessTrafficInfo>> traffic_;
  std::optional<SingleBatteryDevices> single_;
  std::optional<DoubleBatteryDevices> double_;
};

}  // namespace tellwick::testing

#endif  // TELLWICK_TESTS_FAKES_FAKE_HELPER_DATA_MODEL_H_
