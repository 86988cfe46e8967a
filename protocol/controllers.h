#ifndef TELLWICK_PROTOCOL_CONTROLLERS_H_
#define TELLWICK_PROTOCOL_CONTROLLERS_H_

namespace tellwick {

// One operation per category controller: sample, store through the shared
// data model, then post the category's response. Called on the main thread.
class ISensorController {
 public:
  virtual ~ISensorController() = default;
  virtual void updateSensors() = 0;
};

class IFanController {
 public:
  virtual ~IFanController() = default;
  virtual void updateFans() = 0;
};

class INetworkController {
 public:
  virtual ~INetworkController() = default;
  virtual void updateTraffic() = 0;
};

class IBatteriesController {
 public:
  virtual ~IBatteriesController() = default;
  virtual void updateBatteries() = 0;
};

// What the application delegate sees of the composition root.
class IHelperController {
 public:
  virtual ~IHelperController() = default;
  virtual ISensorController& sensors() = 0;
  virtual IFanController& fans() = 0;
  virtual INetworkController& network() = 0;
  virtual IBatteriesController& batteries() = 0;
};

}  // namespace tellwick

#endif  // TELLWICK_PROTOCOL_CONTROLLERS_H_
