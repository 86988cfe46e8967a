// The store over domain files that another program, a newer version, a
// damaged disk or a hostile user left behind, each written by the real
// helper for a `tellwickctl fans`: each file has its defined outcome,
// whatever the helper does not own is still there, byte for byte, python3's
// plistlib reads what the helper wrote, and a write that fails is said by
// tellwickctl, which then exits 73.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <cstdlib>
#include <functional>
#include <set>

#include "os/store/binary_plist.h"
#include "os/utf8.h"
#include "protocol/record_coding.h"
#include "tests/support/helper_fixture.h"

namespace tellwick::testing {
namespace {

namespace fs = std::filesystem;
using os::bplist::Writer;

// A top-level dictionary; value builders run in the order given.
using Value = std::function<std::uint64_t(Writer&)>;
using Entries = std::vector<std::pair<std::string, Value>>;
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

Value text(const char* s) {
  return [s](Writer& w) { return w.addString(s); };
}
std::uint64_t emptyData(Writer& w) { return w.addData({}); }
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
// A fans list as another program writes it: one name an ASCII string
// holding a Latin-1 byte, which is not text.
std::uint64_t fansWithABadName(Writer& w) {
  auto coded = os::newLinuxPropertyListCoder()
                   ->encode(encodeFans({Fan("F0Ac", std::string("Caf#"), 1, 0, 2, 1),
                                        Fan("F1Ac", std::string("Rear"), 1, 0, 2, 1)}))
                   .value();
  *std::find(coded.begin(), coded.end(), '#') = 0xE9;
  return w.addData(coded);
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

void writeFile(const fs::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

struct DamagedFile {
  const char* name;
  std::function<void(const fs::path&)> make;
  bool readFails;   // reading "fans" says why it cannot
  bool writeWorks;  // the helper stores its fans
  std::vector<std::string> foreignKept;
  const char* fault = "";  // TELLWICK_STORE_FAULT for the helper
  std::vector<std::string> fansBefore = {};
  bool plistlibReads = true;  // what is kept is not beyond python3's plistlib
};

void PrintTo(const DamagedFile& file, std::ostream* out) { *out << file.name; }

// A file holding the binary domain of entries.
std::function<void(const fs::path&)> domain(const Entries& entries) {
  return [entries](const fs::path& p) { writeFile(p, domainOf(entries)); };
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
    {"dates", domain({{"lastSeen", date}, {"sensors", emptyData}}), false, true, {"lastSeen"}},
    {"invalidUtf8", domain({{"surrogate", loneSurrogate}, {"latin\xe9", text("x")}, {"fans", loneSurrogate}}),
     true, true, {"surrogate", "latin\xe9"}, "", {}, false},
    {"aBadNameInARecordCostsOnlyItself", domain({{"fans", fansWithABadName}}), false, true, {}, "",
     {"Caf\xEF\xBF\xBD", "Rear"}},
    {"duplicatedKeys",
     domain({{"dup", text("a")}, {"fans", emptyData}, {"dup", text("b")}, {"fans", text("second")}}), true,
     true, {"dup", "dup"}},
    {"nestedAMillionDeep",
     domain({{"deep", [](Writer& w) { return nested(w, 1'000'000); }},
             {"fans", [](Writer& w) { return nested(w, 1'000'000); }}}),
     true, true, {"deep"}, "", {}, false},
    // Python's plistlib writes equal values once: 300 keys share one 100 KB
    // value, which copied once per key would make 30 MB.
    {"sharedValues",
     [](auto& p) {
       Writer w;
       const std::uint64_t shared = w.addData(std::vector<std::uint8_t>(100'000, 7));
       std::vector<std::uint64_t> refs;
       for (int i = 0; i < 300; ++i) refs.push_back(w.addString("k" + std::to_string(i)));
       refs.insert(refs.end(), 300, shared);
       auto b = w.finish(w.addContainer(os::bplist::kDictionary, refs));
       writeFile(p, {b.begin(), b.end()});
     },
     false, true, {"k0", "k299"}},
    {"beyondTheSizeLimit",
     [](auto& p) {
       domain({{"other", text("lost")}})(p);
       fs::resize_file(p, (std::uintmax_t{256} << 20) + 1);  // sparse: costs no disk
     },
     true, true, {}},
    {"strangersBackupBesideIt",
     [](auto& p) {
       domain({{"other", text("kept")}})(p);
       writeFile(p.parent_path() / ("." + p.filename().string() + ".backup"), "mine");
       writeFile(p.parent_path() / ("." + p.filename().string() + ".new"), "a killed writer's");
     },
     false, true, {"other"}},
    {"noProcToNameAFile", domain({{"other", text("kept")}}), false, true, {"other"}, "proc"},
    {"directoryInItsPlace", [](auto& p) { fs::create_directory(p); }, true, false, {}},
    {"fifoInItsPlace", [](auto& p) { ::mkfifo(p.c_str(), 0600); }, true, false, {}},
    {"deviceInItsPlace", [](auto& p) { fs::create_symlink("/dev/zero", p); }, true, false, {}},
    {"closeFails", domain({{"other", text("kept")}}), false, false, {"other"}, "close"},
};

class DamagedStoreTest : public HelperTest, public ::testing::WithParamInterface<DamagedFile> {
 protected:
  fs::path file() const { return fs::path(configHome_) / "group.K7QZ2M4PXT.com.quorvane.helper.plist"; }
  fs::path temporary() const { return file().parent_path() / ("." + file().filename().string() + ".new"); }
  std::uintmax_t size() const { return fs::is_regular_file(file()) ? fs::file_size(file()) : 0; }
  // The names beside the domain that are not the store's own.
  std::set<std::string> strangers() const {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(file().parent_path())) names.insert(entry.path().filename());
    for (const fs::path& own : {file(), fs::path(file().string() + ".lock"), temporary()}) names.erase(own.filename());
    return names;
  }
};

TEST_P(DamagedStoreTest, HasItsDefinedOutcomeAndKeepsWhatTheHelperDoesNotOwn) {
  const DamagedFile& c = GetParam();
  fs::create_directories(file().parent_path());
  c.make(file());
  const auto before = entriesOf(file());
  const auto sizeBefore = size();
  const auto strangersBefore = strangers();

  HelperDataModel model = store();
  auto fans = model.fans();
  EXPECT_EQ(model.readFailure(SensorDataModelKey::fans).has_value(), c.readFails)
      << model.readFailure(SensorDataModelKey::fans).value_or("");
  std::vector<std::string> names;
  for (const Fan& fan : fans.value_or(std::vector<Fan>{})) names.push_back(fan.name);
  EXPECT_EQ(names, c.fansBefore);

  auto environment = helperEnvironment();
  environment.push_back(std::string("TELLWICK_STORE_FAULT=") + c.fault);
  environment.push_back("LD_PRELOAD=" TELLWICK_STORE_FAULTS);
  auto helper = startHelper(false, environment);
  ChildProcess ctl({std::string(TELLWICK_BIN_DIR) + "/tellwickctl", "fans", "--timeout", "5"},
                   helperEnvironment());
  EXPECT_EQ(ctl.wait(10s), c.writeWorks ? 0 : 73);
  EXPECT_EQ(ctl.drainStderr().find("could not store") != std::string::npos, !c.writeWorks);
  EXPECT_FALSE(fs::exists(temporary())) << "no temporary file outlives a write";
  EXPECT_EQ(strangers(), strangersBefore) << "nothing that is not the store's own is touched";

  EXPECT_EQ(store().fans().has_value(), c.writeWorks);
  const auto after = entriesOf(file());
  if (c.writeWorks) {
    EXPECT_EQ(after.count("fans"), 1u);
    EXPECT_LE(size(), sizeBefore + 4096) << "what was shared is copied once";
    const std::string plistlib = "python3 " TELLWICK_SOURCE_DIR "/tests/store/plistlib_bridge.py fans '" +
                                 file().string() + "'";
    EXPECT_TRUE(!c.plistlibReads || std::system(plistlib.c_str()) == 0) << plistlib;
  }
  for (const auto& key : c.foreignKept) {
    if (before.empty()) {  // not a binary file before: taken over, not copied
      EXPECT_EQ(after.count(key), 1u) << key;
      continue;
    }
    auto [b, e] = before.equal_range(key);
    auto [b2, e2] = after.equal_range(key);
    EXPECT_TRUE(std::equal(b, e, b2, e2)) << key << " changed";
  }
}

INSTANTIATE_TEST_SUITE_P(Files, DamagedStoreTest, ::testing::ValuesIn(kDamagedFiles),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace tellwick::testing
