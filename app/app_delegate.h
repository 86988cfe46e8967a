#ifndef TELLWICK_APP_APP_DELEGATE_H_
#define TELLWICK_APP_APP_DELEGATE_H_

#include <functional>
#include <memory>
#include <string>

#include "os/bus/application.h"
#include "os/bus/notification_center.h"
#include "os/result.h"
#include "protocol/controllers.h"

namespace tellwick {

// Wires the request notifications to the category controllers. Every
// operation runs on the main thread, called by the application's loop.
class AppDelegate final : public os::ApplicationDelegate {
 public:
  // Takes the helper's bus name; why not on failure.
  using NameClaim = std::function<os::Status()>;
  // Builds the composition root; called once, at the end of launch.
  using ControllerFactory = std::function<std::unique_ptr<IHelperController>()>;

  // application and center are not owned and must outlive the delegate.
  AppDelegate(os::Application& application, os::NotificationCenter& center, NameClaim claimName,
              ControllerFactory makeController);

  // Registers for the five client notifications, then claims the bus name:
  // clients take an owned name for a helper that hears them. Then posts
  // "HelperStarted" and builds the composition root. When the claim fails it
  // asks the application to terminate instead and keeps the reason.
  void applicationDidFinishLaunching() override;
  // Posts "HelperStopped" (unless launch failed), then removes the
  // registrations. Stored answers stay where they are.
  void applicationWillTerminate() override;

  // Why launch stopped short of serving; empty when it did not.
  const std::string& launchFailure() const { return launchFailure_; }

  void onRequestTerminate();
  void onRequestSensors();
  void onRequestFans();
  void onRequestTraffic();
  void onRequestBatteries();

  // Absent until launch has finished, then the composition root for the life
  // of the process.
  IHelperController* controller() const { return controller_.get(); }

 private:
  os::Application& application_;
  os::NotificationCenter& center_;
  NameClaim claimName_;
  ControllerFactory makeController_;
  std::string launchFailure_;
  std::unique_ptr<IHelperController> controller_;
};

}  // namespace tellwick

#endif  // TELLWICK_APP_APP_DELEGATE_H_
