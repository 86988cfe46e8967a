// The store over domain files that another program, a newer version or a
// damaged disk left behind: each has its defined outcome, and whatever the
// helper does not own is still there, byte for byte, after the helper wrote.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>

#include "os/store/binary_plist.h"
#include "os/store/property_list_coder.h"
#include "os/store/user_defaults.h"
#include "os/utf8.h"
#include "protocol/helper_data_model.h"
#include "protocol/sensor_kit_constants.h"
#include "tests/support/scratch_config_home.h"

namespace tellwick {
namespace {

namespace fs = std::filesystem;
using os::bplist::Writer;

// A top-level dictionary; value builders run in the order given.
using Entries = std::vector<std::pair<std::string, std::function<std::uint64_t(Writer&)>>>;
std::string domainOf(const Entries& entries) {
  Writer w;
  std::vector<std::uint64_t> keys, values;
  for (const auto& [key, value] : entries) {
    // A key that is not UTF-8 goes in as stored bytes, as another writer made it.
    keys.push_back(isValidUtf8(key) ? w.addString(key)
                                           : w.addObject(os::bplist::kAsciiString, 0,
                                                         {reinterpret_cast<const std::uint8_t*>(key.data()), key.size()}, {}));
    values.push_back(value(w));
  }
  keys.insert(keys.end(), values.begin(), values.end());
  auto bytes = w.finish(w.addContainer(os::bplist::kDictionary, keys));
  return std::string(bytes.begin(), bytes.end());
}

std::uint64_t text(Writer& w, const char* s) { return w.addString(s); }
std::uint64_t date(Writer& w) {
  const std::uint8_t when[8] = {0x41, 0xC3, 0, 0, 0, 0, 0, 0};
  return w.addObject(os::bplist::kDate, 3, when, {});
}
std::uint64_t loneSurrogate(Writer& w) {
  const std::uint8_t units[4] = {0x00, 0x41, 0xD8, 0x00};
  return w.addObject(os::bplist::kUtf16String, 0, units, {});
}
std::uint64_t nested(Writer& w, int depth) {
  std::uint64_t inner = w.addContainer(os::bplist::kArray, {});
  for (int i = 0; i < depth; ++i) inner = w.addContainer(os::bplist::kArray, std::vector{inner});
  return inner;
}

// Every entry of the file's top level as key -> a description of its whole
// value; walked with an explicit stack, since values may nest without end.
std::multimap<std::string, std::string> entriesOf(const fs::path& path) {
  if (!fs::is_regular_file(path)) return {};
  std::ifstream in(path, std::ios::binary);
  std::string bytes((std::istreambuf_iterator<char>(in)), {});
  std::span<const std::uint8_t> span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
  auto reader = os::bplist::Reader::open(span);
  std::multimap<std::string, std::string> out;
  if (!reader) return out;
  auto top = reader->object(reader->top()).value();
  const std::size_t n = top.refs.size() / 2;
  for (std::size_t i = 0; i < n; ++i) {
    auto key = reader->object(top.refs[i]).value();
    std::string shape;
    for (std::vector<std::uint64_t> stack{top.refs[n + i]}; !stack.empty();) {
      auto object = reader->object(stack.back()).value();
      stack.pop_back();
      shape += std::to_string(object.kind) + ":" +
               std::string(object.payload.begin(), object.payload.end()) + ";";
      stack.insert(stack.end(), object.refs.rbegin(), object.refs.rend());
    }
    out.emplace(std::string(key.payload.begin(), key.payload.end()), std::move(shape));
  }
  return out;
}

struct DamagedFile {
  const char* name;
  std::function<void(const fs::path&)> make;
  bool readFails;    // reading "fans" says why it cannot
  bool writeWorks;   // setFans stores the new list
  std::vector<std::string> foreignKept;
};

void PrintTo(const DamagedFile& file, std::ostream* out) { *out << file.name; }

void writeFile(const fs::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

const DamagedFile kDamagedFiles[] = {
    {"garbage", [](auto& p) { writeFile(p, "\x7f" "ELF garbage"); }, true, true, {}},
    {"topLevelArray",
     [](auto& p) { Writer w; auto b = w.finish(w.addContainer(os::bplist::kArray, {})); writeFile(p, {b.begin(), b.end()}); },
     true, true, {}},
    {"xml",
     [](auto& p) {
       writeFile(p, "<?xml version=\"1.0\"?><plist version=\"1.0\"><dict><key>other</key>"
                    "<string>kept</string><key>fans</key><data></data></dict></plist>");
     },
     true, true, {"other"}},
    {"dates",
     [](auto& p) {
       writeFile(p, domainOf({{"lastSeen", date}, {"sensors", [](Writer& w) { return w.addData({}); }}}));
     },
     false, true, {"lastSeen"}},
    {"invalidUtf8",
     [](auto& p) {
       writeFile(p, domainOf({{"surrogate", loneSurrogate},
                              {"latin\xe9", [](Writer& w) { return text(w, "x"); }},
                              {"fans", loneSurrogate}}));
     },
     true, true, {"surrogate", "latin\xe9"}},
    {"duplicatedKeys",
     [](auto& p) {
       writeFile(p, domainOf({{"dup", [](Writer& w) { return text(w, "a"); }},
                              {"fans", [](Writer& w) { return w.addData({}); }},
                              {"dup", [](Writer& w) { return text(w, "b"); }},
                              {"fans", [](Writer& w) { return text(w, "second"); }}}));
     },
     true, true, {"dup", "dup"}},
    {"nestedAMillionDeep",
     [](auto& p) {
       writeFile(p, domainOf({{"deep", [](Writer& w) { return nested(w, 1'000'000); }},
                              {"fans", [](Writer& w) { return nested(w, 1'000'000); }}}));
     },
     true, true, {"deep"}},
    {"beyondTheSizeLimit",
     [](auto& p) {
       writeFile(p, domainOf({{"other", [](Writer& w) { return text(w, "lost"); }}}));
       fs::resize_file(p, (std::uintmax_t{256} << 20) + 1);  // sparse: costs no disk
     },
     true, true, {}},
    {"directoryInItsPlace", [](auto& p) { fs::create_directory(p); }, true, false, {}},
};

class DamagedStoreTest : public ::testing::TestWithParam<DamagedFile> {
 protected:
  fs::path file() const { return home_.domainFile(std::string(SensorKitConstants::appGroup)); }

  testing::ScratchConfigHome home_;
  std::unique_ptr<os::PropertyListCoder> coder_ = os::newLinuxPropertyListCoder();
  std::unique_ptr<os::UserDefaults> defaults_ = os::newLinuxUserDefaults(*coder_);
  std::vector<std::string> reports_;
  HelperDataModel model_{*defaults_, *coder_,
                         [this](const std::string& line) { reports_.push_back(line); }};
};

TEST_P(DamagedStoreTest, HasItsDefinedOutcomeAndKeepsWhatTheHelperDoesNotOwn) {
  const DamagedFile& c = GetParam();
  fs::create_directories(file().parent_path());
  c.make(file());
  auto before = entriesOf(file());

  EXPECT_FALSE(model_.fans());
  EXPECT_EQ(model_.readFailure(SensorDataModelKey::fans).has_value(), c.readFails)
      << model_.readFailure(SensorDataModelKey::fans).value_or("");

  const std::vector<Fan> fans{Fan("F0Ac", std::string("Left"), 1200, 1000, 6000, 2000)};
  model_.setFans(fans);
  model_.setFans(fans);
  auto stored = model_.fans();
  EXPECT_EQ(stored.has_value(), c.writeWorks);
  EXPECT_EQ(reports_.size(), c.writeWorks ? 0u : 1u) << "one line per kind of failure";
  if (!c.writeWorks) return;
  EXPECT_EQ(stored->size(), 1u);

  auto after = entriesOf(file());
  EXPECT_EQ(after.count("fans"), 1u);
  for (const auto& key : c.foreignKept) {
    if (before.empty()) {  // not a binary file before: taken over, not copied
      EXPECT_EQ(after.count(key), 1u) << key;
      continue;
    }
    EXPECT_EQ(after.count(key), before.count(key)) << key;
    auto [b, e] = before.equal_range(key);
    auto [b2, e2] = after.equal_range(key);
    EXPECT_TRUE(std::equal(b, e, b2, e2)) << key << " changed";
  }
}

INSTANTIATE_TEST_SUITE_P(Files, DamagedStoreTest, ::testing::ValuesIn(kDamagedFiles),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace tellwick
