#ifndef TELLWICK_TESTS_FAKES_FAKE_TELLWICK_WORLD_H_
#define TELLWICK_TESTS_FAKES_FAKE_TELLWICK_WORLD_H_

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "os/store/property_list_coder.h"
#include "protocol/tellwick.h"
#include "tests/fakes/fake_bus_names.h"
#include "tests/fakes/fake_desktop.h"
#include "tests/fakes/fake_http_client.h"
#include "tests/fakes/fake_session_bus.h"
#include "tests/fakes/memory_file_system.h"

namespace tellwick::testing {

// A fixture whose context_ reaches an installation at location and an update
// server at origin through in-memory fakes only.
class FakeTellwickWorld : public ::testing::Test {
 protected:
  FakeTellwickWorld(std::string location, std::string origin)
      : context_{files_, names_,   bus_.center(), desktop_, http_, *coder_, std::move(location),
                 std::move(origin), "https://www.test/helper"} {}

  MemoryFileSystem files_;
  FakeBusNames names_;
  FakeSessionBus bus_;
  FakeDesktop desktop_;
  FakeHttpClient http_;
  std::unique_ptr<os::PropertyListCoder> coder_ = os::newLinuxPropertyListCoder();
  TellwickContext context_;
};

}  // namespace tellwick::testing

#endif  // TELLWICK_TESTS_FAKES_FAKE_TELLWICK_WORLD_H_
