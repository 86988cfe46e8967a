#ifndef TELLWICK_TOOLS_TELLWICKCTL_EXIT_CODES_H_
#define TELLWICK_TOOLS_TELLWICKCTL_EXIT_CODES_H_

namespace tellwick::ctl {

// tellwickctl's exit statuses, for every command; those from 64 on are
// sysexits' numbers.
inline constexpr int kExitOk = 0;
// autostart or website: the change did not take effect.
inline constexpr int kExitNotChanged = 1;
// The helper did not answer, or there is no bus to ask it on; watch: the
// terminal cannot be drawn on.
inline constexpr int kExitNoAnswer = 2;
// update: the manifest could not be fetched.
inline constexpr int kExitNoManifest = 3;
inline constexpr int kExitUsage = 64;
// battery, peripherals: the devices cannot be read at all; le: no BlueZ, no
// adapter, or the adapter is off.
inline constexpr int kExitUnavailable = 69;
// le monitor and unmonitor: the monitored list could not be stored; a
// category: the helper answered but could not store its answer.
inline constexpr int kExitCannotStore = 73;
// The helper answered, but the shared store cannot be read.
inline constexpr int kExitStoreUnreadable = 74;

}  // namespace tellwick::ctl

#endif  // TELLWICK_TOOLS_TELLWICKCTL_EXIT_CODES_H_
