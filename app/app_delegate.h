#ifndef TELLWICK_APP_APP_DELEGATE_H_
#define TELLWICK_APP_APP_DELEGATE_H_

#include <functional>
#include <memory>

#include "os/bus/application.h"
#include "os/bus/notification_center.h"
#include "protocol/controllers.h"

namespace tellwick {

// Wires the request notifications to the category controllers. Every
// operation runs on the main thread, called by the application's loop.
class AppDelegate final : public os::ApplicationDelegate {
 public:
  // Builds the composition root; called once, at the end of launch.
  using ControllerFactory = std::function<std::unique_ptr<IHelperController>()>;

  // application and center are not owned and must outlive the delegate.
  AppDelegate(os::Application& application, os::NotificationCenter& center,
              ControllerFactory makeController);

  // Registers for the five client notifications, posts "HelperStarted", then
  // builds the composition root.
  void applicationDidFinishLaunching() override;
  // Posts "HelperStopped", then removes the registrations. Stored answers
  // stay where they are.
  void applicationWillTerminate() override;

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
  ControllerFactory makeController_;
  std::unique_ptr<IHelperController> controller_;
};

}  // namespace tellwick

#endif  // TELLWICK_APP_APP_DELEGATE_H_
