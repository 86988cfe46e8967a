#include <benchmark/benchmark.h>

#include <string>

#include "battery/shell_controller.h"
#include "profiler/profiler_output_parser.h"
#include "tests/fakes/fake_resource_bundle.h"

namespace tellwick {
namespace {

constexpr int kTargetLines = 10000;

struct Report {
  std::string text;
  int lines = 0;
};

void line(Report& report, int indent, const std::string& text) {
  report.text.append(static_cast<std::size_t>(indent), ' ');
  report.text += text;
  report.text += '\n';
  ++report.lines;
}

// A Bluetooth report of kTargetLines lines: a controller, then connected
// earbuds (case, left and right levels) and keyboards, a few unknown vendors,
// then a "Not Connected" group of the same devices.
Report makeReport() {
  Report report;
  line(report, 0, "Bluetooth:");
  report.text += '\n';
  line(report, 6, "Bluetooth Controller:");
  line(report, 10, "Address: 00:11:22:33:44:55");
  line(report, 10, "State: On");
  line(report, 10, "Chipset: BCM_4387");
  for (int group = 0; group < 2 && report.lines < kTargetLines; ++group) {
    line(report, 6, group == 0 ? "Connected:" : "Not Connected:");
    for (int i = 0; report.lines < kTargetLines * (group + 1) / 2; ++i) {
      char address[32];
      std::snprintf(address, sizeof address, "Address: %02X:%02X:7D:DA:71:%02X", group, i / 256,
                    i % 256);
      if (i % 2 == 0) {
        line(report, 10, "Buds " + std::to_string(i) + ":");
        line(report, 14, address);
        line(report, 14, "Vendor ID: 0x004C");
        line(report, 14, "Product ID: 0x200E");
        line(report, 14, "Case Battery Level: 60%");
        line(report, 14, "Left Battery Level: 100%");
        line(report, 14, "Right Battery Level: 90%");
        line(report, 14, "Firmware Version: 6A300");
        line(report, 14, "Minor Type: Headphones");
      } else {
        line(report, 10, "Keyboard " + std::to_string(i) + ":");
        line(report, 14, address);
        line(report, 14, i % 5 == 0 ? "Vendor ID: 0x1234" : "Vendor ID: 0x05AC");
        line(report, 14, "Product ID: 0x0267");
        line(report, 14, "Minor Type: Keyboard");
        line(report, 14, "Battery Level: 85%");
      }
    }
  }
  return report;
}

const Report& report() {
  static const Report value = makeReport();
  return value;
}

class ParsedReport final : public IProfilerController {
 public:
  OutputTree run() override { return ProfilerOutputParser().parse(report().text); }
};

void BM_ParseReport(benchmark::State& state) {
  ProfilerOutputParser parser;
  for (auto _ : state) {
    OutputTree tree = parser.parse(report().text);
    benchmark::DoNotOptimize(tree.nodes().data());
  }
  state.SetItemsProcessed(state.iterations() * report().lines);
  state.counters["lines"] = report().lines;
}
BENCHMARK(BM_ParseReport)->Unit(benchmark::kMillisecond);

void BM_BatteryRules(benchmark::State& state) {
  OutputTree tree = ProfilerOutputParser().parse(report().text);
  ParsedReport unused;
  testing::FakeResourceBundle bundle;
  std::size_t found = 0;
  for (auto _ : state) {
    state.PauseTiming();
    ShellController fresh(unused, bundle);
    state.ResumeTiming();
    fresh.readNodes(tree.nodes());
    found = fresh.devices().size();
    benchmark::DoNotOptimize(found);
  }
  state.SetItemsProcessed(state.iterations() * report().lines);
  state.counters["devices"] = static_cast<double>(found);
}
BENCHMARK(BM_BatteryRules)->Unit(benchmark::kMillisecond);

void BM_ParseAndRules(benchmark::State& state) {
  ParsedReport profiler;
  testing::FakeResourceBundle bundle;
  ShellController finder(profiler, bundle);
  for (auto _ : state) {
    finder.refresh();
    benchmark::DoNotOptimize(finder.devices().data());
  }
  state.SetItemsProcessed(state.iterations() * report().lines);
}
BENCHMARK(BM_ParseAndRules)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace tellwick

BENCHMARK_MAIN();
