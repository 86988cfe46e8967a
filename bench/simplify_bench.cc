#include <benchmark/benchmark.h>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <numbers>
#include <random>
#include <vector>

#include "kit/point.h"
#include "kit/ramer_douglas_peucker.h"

namespace {

// A chart-like series: ten periods of a sine with uniform noise on top.
std::vector<tellwick::Point> noisySine(std::size_t count, double noise) {
  std::mt19937_64 random(42);
  std::uniform_real_distribution<double> jitter(-noise, noise);
  std::vector<tellwick::Point> points;
  points.reserve(count);
  for (std::size_t i = 0; i < count; ++i) {
    const double x = static_cast<double>(i) / static_cast<double>(count) * 20.0 * std::numbers::pi;
    points.push_back({x, std::sin(x) + jitter(random)});
  }
  return points;
}

// Arguments: point count and epsilon in thousandths; the noise is ±0.05.
void BM_SimplifyNoisySine(benchmark::State& state) {
  const auto points = noisySine(static_cast<std::size_t>(state.range(0)), 0.05);
  const double epsilon = static_cast<double>(state.range(1)) / 1000.0;
  std::size_t kept = 0;
  for (auto _ : state) {
    auto result = tellwick::RamerDouglasPeucker::simplify(points, epsilon);
    kept = result.size();
    benchmark::DoNotOptimize(result.data());
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * state.range(0));
  state.counters["kept"] = static_cast<double>(kept);
}
BENCHMARK(BM_SimplifyNoisySine)
    ->Args({1'000'000, 100})
    ->Args({1'000'000, 10})
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
