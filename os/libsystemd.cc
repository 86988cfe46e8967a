// The sd-bus and sd-event functions the programs call, each loading
// libsystemd the first time it is called, rather than the loader mapping it,
// and the six libraries it needs, when a program starts. That took a
// millisecond of every tellwickctl run, which asks the helper over its own
// socket client (session_bus_socket.cc) and needs sd-bus only for Bluetooth,
// systemd and buses of other transports. A function used anywhere in the
// tree must be listed here; the compiler checks each against the headers.
// Without the library, calls fail with -ENOSYS (a null object, nothing).

#include <dlfcn.h>
#include <systemd/sd-bus.h>
#include <systemd/sd-event.h>

#include <cerrno>
#include <cstdarg>
#include <type_traits>

namespace {

template <typename Function>
Function lookUp(const char* name) {
  static void* library = ::dlopen("libsystemd.so.0", RTLD_NOW | RTLD_LOCAL);
  return library ? reinterpret_cast<Function>(::dlsym(library, name)) : nullptr;
}

template <typename R>
R unavailable() {
  if constexpr (std::is_pointer_v<R>) {
    return nullptr;
  } else if constexpr (!std::is_void_v<R>) {
    return -ENOSYS;
  }
}

}  // namespace

#define TELLWICK_FORWARD(R, name, parameters, arguments)                    \
  extern "C" R name parameters {                                            \
    static const auto real = lookUp<R(*) parameters>(#name);                \
    if (!real) return unavailable<R>();                                     \
    return real arguments;                                                  \
  }

TELLWICK_FORWARD(int, sd_bus_new, (sd_bus** ret), (ret))
TELLWICK_FORWARD(int, sd_bus_open_user, (sd_bus** ret), (ret))
TELLWICK_FORWARD(int, sd_bus_open_system, (sd_bus** ret), (ret))
TELLWICK_FORWARD(int, sd_bus_set_address, (sd_bus* bus, const char* address), (bus, address))
TELLWICK_FORWARD(int, sd_bus_set_bus_client, (sd_bus* bus, int b), (bus, b))
TELLWICK_FORWARD(int, sd_bus_set_method_call_timeout, (sd_bus* bus, uint64_t usec), (bus, usec))
TELLWICK_FORWARD(int, sd_bus_start, (sd_bus* bus), (bus))
TELLWICK_FORWARD(int, sd_bus_is_open, (sd_bus* bus), (bus))
TELLWICK_FORWARD(int, sd_bus_get_unique_name, (sd_bus* bus, const char** unique), (bus, unique))
TELLWICK_FORWARD(int, sd_bus_attach_event, (sd_bus* bus, sd_event* e, int priority), (bus, e, priority))
TELLWICK_FORWARD(int, sd_bus_flush, (sd_bus* bus), (bus))
TELLWICK_FORWARD(sd_bus*, sd_bus_flush_close_unref, (sd_bus* bus), (bus))
TELLWICK_FORWARD(sd_bus*, sd_bus_unref, (sd_bus* bus), (bus))
TELLWICK_FORWARD(int, sd_bus_process, (sd_bus* bus, sd_bus_message** r), (bus, r))
TELLWICK_FORWARD(int, sd_bus_wait, (sd_bus* bus, uint64_t timeout_usec), (bus, timeout_usec))
TELLWICK_FORWARD(int, sd_bus_request_name, (sd_bus* bus, const char* name, uint64_t flags), (bus, name, flags))
TELLWICK_FORWARD(int, sd_bus_send, (sd_bus* bus, sd_bus_message* m, uint64_t* cookie), (bus, m, cookie))
TELLWICK_FORWARD(int, sd_bus_call,
                 (sd_bus* bus, sd_bus_message* m, uint64_t usec, sd_bus_error* ret_error, sd_bus_message** reply),
                 (bus, m, usec, ret_error, reply))
TELLWICK_FORWARD(int, sd_bus_call_async,
                 (sd_bus* bus, sd_bus_slot** slot, sd_bus_message* m, sd_bus_message_handler_t callback,
                  void* userdata, uint64_t usec),
                 (bus, slot, m, callback, userdata, usec))
TELLWICK_FORWARD(int, sd_bus_call_methodv,
                 (sd_bus* bus, const char* destination, const char* path, const char* interface,
                  const char* member, sd_bus_error* ret_error, sd_bus_message** reply, const char* types,
                  va_list ap),
                 (bus, destination, path, interface, member, ret_error, reply, types, ap))
TELLWICK_FORWARD(int, sd_bus_call_method_asyncv,
                 (sd_bus* bus, sd_bus_slot** slot, const char* destination, const char* path,
                  const char* interface, const char* member, sd_bus_message_handler_t callback,
                  void* userdata, const char* types, va_list ap),
                 (bus, slot, destination, path, interface, member, callback, userdata, types, ap))
TELLWICK_FORWARD(int, sd_bus_emit_signalv,
                 (sd_bus* bus, const char* path, const char* interface, const char* member,
                  const char* types, va_list ap),
                 (bus, path, interface, member, types, ap))
TELLWICK_FORWARD(int, sd_bus_add_filter,
                 (sd_bus* bus, sd_bus_slot** slot, sd_bus_message_handler_t callback, void* userdata),
                 (bus, slot, callback, userdata))
TELLWICK_FORWARD(int, sd_bus_add_match,
                 (sd_bus* bus, sd_bus_slot** slot, const char* match, sd_bus_message_handler_t callback,
                  void* userdata),
                 (bus, slot, match, callback, userdata))
TELLWICK_FORWARD(sd_bus_slot*, sd_bus_get_current_slot, (sd_bus* bus), (bus))
TELLWICK_FORWARD(sd_bus_slot*, sd_bus_slot_unref, (sd_bus_slot* slot), (slot))
TELLWICK_FORWARD(int, sd_bus_slot_set_destroy_callback, (sd_bus_slot* s, sd_bus_destroy_t callback),
                 (s, callback))
TELLWICK_FORWARD(int, sd_bus_slot_set_floating, (sd_bus_slot* slot, int b), (slot, b))
TELLWICK_FORWARD(void, sd_bus_error_free, (sd_bus_error* e), (e))
TELLWICK_FORWARD(int, sd_bus_error_is_set, (const sd_bus_error* e), (e))
TELLWICK_FORWARD(int, sd_bus_error_has_name, (const sd_bus_error* e, const char* name), (e, name))
TELLWICK_FORWARD(int, sd_bus_message_new_method_call,
                 (sd_bus* bus, sd_bus_message** m, const char* destination, const char* path,
                  const char* interface, const char* member),
                 (bus, m, destination, path, interface, member))
TELLWICK_FORWARD(sd_bus_message*, sd_bus_message_unref, (sd_bus_message* m), (m))
TELLWICK_FORWARD(int, sd_bus_message_set_expect_reply, (sd_bus_message* m, int b), (m, b))
TELLWICK_FORWARD(int, sd_bus_message_appendv, (sd_bus_message* m, const char* types, va_list ap),
                 (m, types, ap))
TELLWICK_FORWARD(int, sd_bus_message_append_basic, (sd_bus_message* m, char type, const void* p), (m, type, p))
TELLWICK_FORWARD(int, sd_bus_message_open_container, (sd_bus_message* m, char type, const char* contents),
                 (m, type, contents))
TELLWICK_FORWARD(int, sd_bus_message_close_container, (sd_bus_message* m), (m))
TELLWICK_FORWARD(int, sd_bus_message_enter_container, (sd_bus_message* m, char type, const char* contents),
                 (m, type, contents))
TELLWICK_FORWARD(int, sd_bus_message_exit_container, (sd_bus_message* m), (m))
TELLWICK_FORWARD(int, sd_bus_message_readv, (sd_bus_message* m, const char* types, va_list ap),
                 (m, types, ap))
TELLWICK_FORWARD(int, sd_bus_message_read_basic, (sd_bus_message* m, char type, void* p), (m, type, p))
TELLWICK_FORWARD(int, sd_bus_message_read_array,
                 (sd_bus_message* m, char type, const void** ptr, size_t* size), (m, type, ptr, size))
TELLWICK_FORWARD(int, sd_bus_message_peek_type, (sd_bus_message* m, char* type, const char** contents),
                 (m, type, contents))
TELLWICK_FORWARD(int, sd_bus_message_skip, (sd_bus_message* m, const char* types), (m, types))
TELLWICK_FORWARD(int, sd_bus_message_rewind, (sd_bus_message* m, int complete), (m, complete))
TELLWICK_FORWARD(const sd_bus_error*, sd_bus_message_get_error, (sd_bus_message* m), (m))
TELLWICK_FORWARD(const char*, sd_bus_message_get_path, (sd_bus_message* m), (m))
TELLWICK_FORWARD(int, sd_bus_message_is_signal,
                 (sd_bus_message* m, const char* interface, const char* member), (m, interface, member))
TELLWICK_FORWARD(int, sd_event_new, (sd_event** e), (e))
TELLWICK_FORWARD(sd_event*, sd_event_unref, (sd_event* e), (e))
TELLWICK_FORWARD(int, sd_event_run, (sd_event* e, uint64_t usec), (e, usec))
TELLWICK_FORWARD(int, sd_event_add_io,
                 (sd_event* e, sd_event_source** s, int fd, uint32_t events, sd_event_io_handler_t callback,
                  void* userdata),
                 (e, s, fd, events, callback, userdata))
TELLWICK_FORWARD(sd_event_source*, sd_event_source_unref, (sd_event_source* s), (s))
TELLWICK_FORWARD(sd_event_source*, sd_event_source_disable_unref, (sd_event_source* s), (s))
TELLWICK_FORWARD(int, sd_event_source_set_priority, (sd_event_source* s, int64_t priority), (s, priority))

// The variadic calls, through their va_list forms.

extern "C" int sd_bus_call_method(sd_bus* bus, const char* destination, const char* path, const char* interface,
                                  const char* member, sd_bus_error* ret_error, sd_bus_message** reply,
                                  const char* types, ...) {
  va_list ap;
  va_start(ap, types);
  int r = sd_bus_call_methodv(bus, destination, path, interface, member, ret_error, reply, types, ap);
  va_end(ap);
  return r;
}

extern "C" int sd_bus_call_method_async(sd_bus* bus, sd_bus_slot** slot, const char* destination,
                                        const char* path, const char* interface, const char* member,
                                        sd_bus_message_handler_t callback, void* userdata, const char* types,
                                        ...) {
  va_list ap;
  va_start(ap, types);
  int r = sd_bus_call_method_asyncv(bus, slot, destination, path, interface, member, callback, userdata, types,
                                    ap);
  va_end(ap);
  return r;
}

extern "C" int sd_bus_emit_signal(sd_bus* bus, const char* path, const char* interface, const char* member,
                                  const char* types, ...) {
  va_list ap;
  va_start(ap, types);
  int r = sd_bus_emit_signalv(bus, path, interface, member, types, ap);
  va_end(ap);
  return r;
}

extern "C" int sd_bus_message_append(sd_bus_message* m, const char* types, ...) {
  va_list ap;
  va_start(ap, types);
  int r = sd_bus_message_appendv(m, types, ap);
  va_end(ap);
  return r;
}

extern "C" int sd_bus_message_read(sd_bus_message* m, const char* types, ...) {
  va_list ap;
  va_start(ap, types);
  int r = sd_bus_message_readv(m, types, ap);
  va_end(ap);
  return r;
}

extern "C" int sd_bus_error_has_names_sentinel(const sd_bus_error* e, ...) {
  va_list ap;
  va_start(ap, e);
  int found = 0;
  while (const char* name = va_arg(ap, const char*)) {
    if (sd_bus_error_has_name(e, name) > 0) {
      found = 1;
      break;
    }
  }
  va_end(ap);
  return found;
}
