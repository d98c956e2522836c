// Micro-benchmarks of the per-value and per-record work of a run.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <string_view>

#include "monthly/correctly_rounded.hpp"
#include "monthly/dew_point.hpp"
#include "recio/field_input.hpp"
#include "recio/fixed_point.hpp"
#include "recio/memory_feed.hpp"
#include "recio/work_record_format.hpp"

namespace {

void list_directed_record(benchmark::State& state) {
  float a = 0, b = 0, c = 0;
  const recio::InputItem items[] = {recio::input(a), recio::input(b), recio::input(c)};
  recio::MemoryFeed feed{{"12.3 -5.2 85.0"}};
  for (auto _ : state) {
    feed.taken = 0;
    benchmark::DoNotOptimize(recio::parse_list_directed(feed.feed(), items));
    benchmark::DoNotOptimize(a + b + c);
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(list_directed_record);

void fixed_write(benchmark::State& state, int width) {
  char field[16];
  float value = -37.125f;
  for (auto _ : state) {
    recio::format_fixed(value, width, 2, field);
    benchmark::DoNotOptimize(field);
    value += 0.37f;
    if (value > 99.0f) value = -99.0f;
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK_CAPTURE(fixed_write, F6_2, 6);
BENCHMARK_CAPTURE(fixed_write, F12_2, 12);

void f_field_read(benchmark::State& state) {
  const std::string_view fields[] = {" 12.30", " -5.25", " 85.00", "100.00", "  0.50", "-99.99"};
  std::size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(recio::read_f_field(fields[i], 2, recio::BlankMode::null));
    i = (i + 1) % 6;
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(f_field_read);

void work_record_read(benchmark::State& state) {
  float a = 0, b = 0, c = 0;
  const recio::InputItem items[] = {recio::input(a), recio::input(b), recio::input(c)};
  for (auto _ : state) {
    benchmark::DoNotOptimize(
        recio::parse_formatted(" 12.30 -5.25 85.00", recio::work_record_format, items, recio::BlankMode::null));
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(work_record_read);

void dew_point_day(benchmark::State& state) {
  float t = 20.0f;
  for (auto _ : state) {
    benchmark::DoNotOptimize(tiral::dew_point(t, t - 9.5f, 70.0f));
    t += 0.01f;
    if (t > 35.0f) t = -20.0f;
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(dew_point_day);

// A day as a run computes it: two-decimal temperatures, whose pressures are
// remembered, and one log10.
void dew_point_remembered_day(benchmark::State& state) {
  tiral::SaturationPressures pressures;
  int hundredths = 2000;
  float hmd = 40.0f;
  for (auto _ : state) {
    const float tmp_max = static_cast<float>(hundredths) / 100.0f;
    const float tmp_min = static_cast<float>(hundredths - 950) / 100.0f;
    benchmark::DoNotOptimize(tiral::dew_point_temperature(tmp_max, tmp_min, hmd, pressures));
    hundredths = hundredths >= 3500 ? -2000 : hundredths + 1;
    hmd += 0.37f;
    if (hmd > 100.0f) hmd = 1.0f;
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(dew_point_remembered_day);

// log10 of vapour pressures from 0.01 to 100 hPa, exp of the dew point's
// arguments from -20 to 30: the correctly rounded functions beside the C
// library's.
template <double (*function)(double)>
void vapour_log10(benchmark::State& state) {
  double x = 0.01;
  for (auto _ : state) {
    benchmark::DoNotOptimize(function(x));
    x *= 1.0001373;
    if (x > 100.0) x = 0.01;
  }
  state.SetItemsProcessed(state.iterations());
}
double library_log10(double x) { return std::log10(x); }
BENCHMARK(vapour_log10<tiral::correctly_rounded_log10>)->Name("log10_correctly_rounded");
BENCHMARK(vapour_log10<library_log10>)->Name("log10_library");

template <double (*function)(double)>
void dew_exp(benchmark::State& state) {
  double x = -20.0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(function(x));
    x += 0.000731;
    if (x > 30.0) x = -20.0;
  }
  state.SetItemsProcessed(state.iterations());
}
double library_exp(double x) { return std::exp(x); }
BENCHMARK(dew_exp<tiral::correctly_rounded_exp>)->Name("exp_correctly_rounded");
BENCHMARK(dew_exp<library_exp>)->Name("exp_library");

}  // namespace

BENCHMARK_MAIN();
