#include "app/app_delegate.h"

#include "protocol/distributed_notifications.h"
#include "protocol/helper_notifications.h"

namespace tellwick {

AppDelegate::AppDelegate(os::Application& application, os::NotificationCenter& center,
                         NameClaim claimName, ControllerFactory makeController)
    : application_(application),
      center_(center),
      claimName_(std::move(claimName)),
      makeController_(std::move(makeController)) {}

void AppDelegate::applicationDidFinishLaunching() {
  using N = HelperNotifications;
  DistributedNotifications::addObserver(center_, this, N::terminateHelper,
                                        [this](const os::Notification&) { onRequestTerminate(); });
  DistributedNotifications::addObserver(center_, this, N::requestFans,
                                        [this](const os::Notification&) { onRequestFans(); });
  DistributedNotifications::addObserver(center_, this, N::requestSensors,
                                        [this](const os::Notification&) { onRequestSensors(); });
  DistributedNotifications::addObserver(center_, this, N::requestTraffic,
                                        [this](const os::Notification&) { onRequestTraffic(); });
  DistributedNotifications::addObserver(center_, this, N::requestBatteries,
                                        [this](const os::Notification&) { onRequestBatteries(); });
  // A request posted the moment the name appears is already routed here.
  if (os::Status claimed = claimName_(); !claimed) {
    launchFailure_ = claimed.error();
    application_.terminate(this);
    return;
  }
  // Announced before the controllers exist: the loop delivers nothing until
  // launch returns, so a request sent in reply still finds them built.
  DistributedNotifications::post(center_, N::helperStarted);
  controller_ = makeController_();
}

void AppDelegate::applicationWillTerminate() {
  using N = HelperNotifications;
  if (launchFailure_.empty()) DistributedNotifications::post(center_, N::helperStopped);
  for (auto name : {N::requestFans, N::requestSensors, N::requestTraffic, N::requestBatteries,
                    N::terminateHelper}) {
    DistributedNotifications::removeObserver(center_, this, name);
  }
}

void AppDelegate::onRequestTerminate() { application_.terminate(this); }

void AppDelegate::onRequestSensors() {
  if (controller_) controller_->sensors().updateSensors();
}

void AppDelegate::onRequestFans() {
  if (controller_) controller_->fans().updateFans();
}

void AppDelegate::onRequestTraffic() {
  if (controller_) controller_->network().updateTraffic();
}

void AppDelegate::onRequestBatteries() {
  if (controller_) controller_->batteries().updateBatteries();
}

}  // namespace tellwick
