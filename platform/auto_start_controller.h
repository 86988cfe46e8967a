#ifndef TELLWICK_PLATFORM_AUTO_START_CONTROLLER_H_
#define TELLWICK_PLATFORM_AUTO_START_CONTROLLER_H_

namespace tellwick {

// Makes an application start when the user logs in. No operation reports an
// error: a caller learns the outcome by reading isEnabled again. One thread
// at a time.
class IAutoStartController {
 public:
  virtual ~IAutoStartController() = default;

  virtual bool isEnabled() = 0;
  // Retires a starter left over from an older way of starting.
  virtual void retireStarter() = 0;
  virtual void setEnabled(bool flag) = 0;
  virtual void enable() = 0;
  virtual void disable() = 0;
};

}  // namespace tellwick

#endif  // TELLWICK_PLATFORM_AUTO_START_CONTROLLER_H_
