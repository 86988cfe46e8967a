#ifndef TELLWICK_PROFILER_SERVICE_H_
#define TELLWICK_PROFILER_SERVICE_H_

#include <string>

namespace tellwick {

// A data type the profiler tool reports on, named by the tool's argument.
class Service {
 public:
  explicit Service(std::string name) : name_(std::move(name)) {}
  const std::string& name() const { return name_; }

 private:
  std::string name_;
};

// The predefined services, each created once on first use and shared.
struct Services {
  Services() = delete;

  // "SPBluetoothDataType".
  static const Service& bluetooth();
};

}  // namespace tellwick

#endif  // TELLWICK_PROFILER_SERVICE_H_
