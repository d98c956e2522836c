#include "report/monthly_chart.hpp"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <optional>
#include <limits>
#include <string>
#include <vector>

#include "recio/record_output.hpp"
#include "recio/units.hpp"
#include "report/monthly_table.hpp"
#include "state/month_table.hpp"

namespace tiral {

namespace {

constexpr recio::Format whole_record = recio::parse_format("(A)");

// The picture's layout in SVG user units (pixels at the natural size).
constexpr double width = 800;
constexpr double height = 480;
constexpr double plot_left = 70;
constexpr double plot_right = 730;
constexpr double plot_top = 60;
constexpr double plot_bottom = 380;
constexpr double slot = (plot_right - plot_left) / 12;
constexpr double bar_width = 30;

struct Series {
  std::string_view label;
  std::string_view colour;
  const MonthlyValues& values;
};

// One code point of valid UTF-8 at `at`, or nothing.
std::optional<char32_t> utf8_at(std::string_view bytes, std::size_t& at) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(bytes[i]); };
  const unsigned char lead = byte(at);
  std::size_t length = lead < 0x80 ? 1 : lead >= 0xC2 && lead < 0xE0 ? 2 : lead >= 0xE0 && lead < 0xF0 ? 3
                                                                    : lead >= 0xF0 && lead < 0xF5   ? 4
                                                                                                    : 0;
  if (length == 0 || at + length > bytes.size()) return std::nullopt;
  char32_t point = length == 1 ? lead : lead & (0x7Fu >> length);
  for (std::size_t i = 1; i < length; ++i) {
    if ((byte(at + i) & 0xC0) != 0x80) return std::nullopt;
    point = (point << 6) | (byte(at + i) & 0x3Fu);
  }
  constexpr char32_t least[] = {0, 0, 0x80, 0x800, 0x10000};
  if (point < least[length] || point > 0x10FFFF || (point >= 0xD800 && point < 0xE000)) return std::nullopt;
  at += length;
  return point;
}

// Code page 1252 above 0x7F; its five holes become the replacement character.
char32_t from_code_page_1252(unsigned char byte) {
  constexpr std::array<char32_t, 32> c1 = {
      0x20AC, 0xFFFD, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
      0x2039, 0x0152, 0xFFFD, 0x017D, 0xFFFD, 0xFFFD, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
      0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0xFFFD, 0x017E, 0x0178};
  return byte >= 0x80 && byte < 0xA0 ? c1[byte - 0x80u] : byte;
}

void append_point(std::string& out, char32_t point) {
  switch (point) {
    case '&': out += "&amp;"; return;
    case '<': out += "&lt;"; return;
    case '>': out += "&gt;"; return;
    case '"': out += "&quot;"; return;
    case '\'': out += "&apos;"; return;
    default: break;
  }
  // XML 1.0 has no place for control characters, even as references.
  if (point < 0x20 || point == 0x7F || point == 0xFFFE || point == 0xFFFF) point = 0xFFFD;
  if (point < 0x80) {
    out += static_cast<char>(point);
    return;
  }
  char digits[8];
  const auto result = std::to_chars(digits, digits + sizeof digits, static_cast<std::uint32_t>(point), 16);
  out += "&#x";
  out.append(digits, result.ptr);
  out += ';';
}

std::string number(double value, int decimals = 1) {
  char text[64];
  const auto result = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, decimals);
  std::string shown(text, result.ptr);
  // A value that rounds to zero shows as a zero without a sign.
  if (shown.front() == '-' && shown.find_first_not_of("-0.") == std::string::npos) shown.erase(0, 1);
  return shown;
}

double slot_centre(std::int32_t month) { return plot_left + (month - 0.5) * slot; }

// The temperature axis: ticks of 1, 2 or 5 times a power of ten, about six
// of them, around every temperature that is a number.
struct Axis {
  double low = 0;
  double high = 30;
  double step = 5;
  int decimals = 0;
  double y(double value) const { return plot_bottom - (value - low) / (high - low) * (plot_bottom - plot_top); }
};

Axis temperature_axis(const std::array<Series, 3>& lines) {
  double low = std::numeric_limits<double>::infinity();
  double high = -std::numeric_limits<double>::infinity();
  for (const Series& series : lines) {
    for (const float value : series.values.values) {
      if (!std::isfinite(value)) continue;
      low = std::min(low, static_cast<double>(value));
      high = std::max(high, static_cast<double>(value));
    }
  }
  Axis axis;
  if (!(low <= high)) return axis;
  if (high - low < 1) {
    low -= 0.5;
    high += 0.5;
  }
  const double raw = (high - low) / 6;
  const double power = std::pow(10.0, std::floor(std::log10(raw)));
  axis.step = power * 10;
  for (const double factor : {1.0, 2.0, 5.0}) {
    if (power * factor >= raw) {
      axis.step = power * factor;
      break;
    }
  }
  axis.low = std::floor(low / axis.step) * axis.step;
  axis.high = std::ceil(high / axis.step) * axis.step;
  if (axis.high <= axis.low || !std::isfinite(axis.high - axis.low)) return Axis{};
  axis.decimals = std::max(0, static_cast<int>(-std::floor(std::log10(axis.step) + 1e-9)));
  return axis;
}

double humidity_y(float value) {
  const double clamped = std::clamp(static_cast<double>(value), 0.0, 100.0);
  return plot_bottom - clamped / 100 * (plot_bottom - plot_top);
}

class Writer {
 public:
  void line(const std::string& text) { recio::write_formatted(chart_unit, whole_record, {std::string_view(text)}); }
};

void write_axes(Writer& out, const Axis& axis) {
  out.line("<g font-family=\"sans-serif\" font-size=\"12\" fill=\"#333333\">");
  const int ticks = static_cast<int>(std::lround((axis.high - axis.low) / axis.step));
  for (int i = 0; i <= ticks; ++i) {
    const double value = axis.low + i * axis.step;
    const std::string y = number(axis.y(value));
    out.line("<line class=\"grid-celsius\" x1=\"" + number(plot_left) + "\" y1=\"" + y + "\" x2=\"" +
             number(plot_right) + "\" y2=\"" + y + "\" stroke=\"#dddddd\" stroke-width=\"1\"/>");
    out.line("<text class=\"tick-celsius\" x=\"" + number(plot_left - 8) + "\" y=\"" + number(axis.y(value) + 4) +
             "\" text-anchor=\"end\">" + number(value, axis.decimals) + "</text>");
  }
  for (int percent = 0; percent <= 100; percent += 20) {
    const std::string y = number(humidity_y(static_cast<float>(percent)));
    out.line("<line class=\"mark-percent\" x1=\"" + number(plot_right) + "\" y1=\"" + y + "\" x2=\"" +
             number(plot_right + 5) + "\" y2=\"" + y + "\" stroke=\"#333333\" stroke-width=\"1\"/>");
    out.line("<text class=\"tick-percent\" x=\"" + number(plot_right + 8) + "\" y=\"" +
             number(humidity_y(static_cast<float>(percent)) + 4) + "\" text-anchor=\"start\">" +
             std::to_string(percent) + "</text>");
  }
  out.line("<text x=\"" + number(plot_left) + "\" y=\"" + number(plot_top - 12) +
           "\" text-anchor=\"middle\">&#xB0;C</text>");
  out.line("<text x=\"" + number(plot_right) + "\" y=\"" + number(plot_top - 12) + "\" text-anchor=\"middle\">%</text>");
  for (const MonthInfo& month : month_table) {
    out.line("<text class=\"month\" x=\"" + number(slot_centre(month.month)) + "\" y=\"" + number(plot_bottom + 18) +
             "\" text-anchor=\"middle\">" + std::string(month.label) + "</text>");
  }
  out.line("</g>");
}

void write_bars(Writer& out, const Series& humidity) {
  out.line("<g fill=\"" + std::string(humidity.colour) + "\" stroke=\"none\">");
  for (const MonthInfo& month : month_table) {
    const float value = humidity.values[month.month];
    if (std::isnan(value)) continue;  // a gap
    const double top = humidity_y(value);
    out.line("<rect x=\"" + number(slot_centre(month.month) - bar_width / 2) + "\" y=\"" + number(top) +
             "\" width=\"" + number(bar_width) + "\" height=\"" + number(plot_bottom - top) + "\"/>");
  }
  out.line("</g>");
}

// A line through the months that are numbers; a month that is none breaks it.
void write_line(Writer& out, const Series& series, const Axis& axis) {
  const std::string colour(series.colour);
  std::vector<std::string> run;
  const auto end_run = [&] {
    if (run.size() > 1) {
      std::string points;
      for (const std::string& point : run) points += (points.empty() ? "" : " ") + point;
      out.line("<polyline fill=\"none\" stroke=\"" + colour + "\" stroke-width=\"2.5\" points=\"" + points + "\"/>");
    }
    run.clear();
  };
  for (const MonthInfo& month : month_table) {
    const float value = series.values[month.month];
    if (!std::isfinite(value)) {
      end_run();
      continue;
    }
    run.push_back(number(slot_centre(month.month)) + "," + number(axis.y(static_cast<double>(value))));
  }
  end_run();
  for (const MonthInfo& month : month_table) {
    const float value = series.values[month.month];
    if (!std::isfinite(value)) continue;
    out.line("<circle cx=\"" + number(slot_centre(month.month)) + "\" cy=\"" + number(axis.y(static_cast<double>(value))) +
             "\" r=\"4\" fill=\"" + colour + "\"/>");
  }
}

void write_legend(Writer& out, const std::array<Series, 3>& lines, const Series& humidity) {
  out.line("<g font-family=\"sans-serif\" font-size=\"12\" fill=\"#333333\">");
  double x = 110;
  constexpr double y = 440;
  for (const Series& series : lines) {
    out.line("<line x1=\"" + number(x) + "\" y1=\"" + number(y - 4) + "\" x2=\"" + number(x + 24) + "\" y2=\"" +
             number(y - 4) + "\" stroke=\"" + std::string(series.colour) + "\" stroke-width=\"2.5\"/>");
    out.line("<text x=\"" + number(x + 30) + "\" y=\"" + number(y) + "\">" + std::string(series.label) + "</text>");
    x += 160;
  }
  out.line("<rect x=\"" + number(x) + "\" y=\"" + number(y - 10) + "\" width=\"24\" height=\"12\" fill=\"" +
           std::string(humidity.colour) + "\"/>");
  out.line("<text x=\"" + number(x + 30) + "\" y=\"" + number(y) + "\">" + std::string(humidity.label) + "</text>");
  out.line("</g>");
}

}  // namespace

std::string xml_text(std::string_view bytes) {
  std::vector<char32_t> points;
  bool utf8 = true;
  for (std::size_t at = 0; at < bytes.size();) {
    const std::optional<char32_t> point = utf8_at(bytes, at);
    if (!point) {
      utf8 = false;
      break;
    }
    points.push_back(*point);
  }
  if (!utf8) {
    points.clear();
    for (const char c : bytes) points.push_back(from_code_page_1252(static_cast<unsigned char>(c)));
  }
  std::string out;
  for (const char32_t point : points) append_point(out, point);
  return out;
}

void write_monthly_chart(const RunState& run, std::string_view name_field, const tiral::NameAnswer& answer) {
  const std::array<Series, 3> lines = {{
      {"tmp_max (&#xB0;C)", "#d62728", run.monthly_tmp_max},
      {"tmp_min (&#xB0;C)", "#1f77b4", run.monthly_tmp_min},
      {"dewpt (&#xB0;C)", "#2ca02c", run.monthly_dewpt},
  }};
  const Series humidity = {"hmd (%)", "#fdd49e", run.monthly_hmd};
  const Axis axis = temperature_axis(lines);
  const std::string title = xml_text(reported_input_name(run)) + " (" + std::to_string(run.first_year) + " - " +
                            std::to_string(year_field(last_year(run.first_year, run.year_count))) + ")";

  // Whole or not at all, and never over the input, as the report.
  recio::open_named(chart_unit, name_field, recio::WhenMissing::create, answer,
                    {.whole_file = true, .never_over = as_text(run.input_name)});
  Writer out;
  out.line("<?xml version=\"1.0\" encoding=\"UTF-8\"?>");
  out.line("<svg xmlns=\"http://www.w3.org/2000/svg\" version=\"1.1\" width=\"" + number(width, 0) + "\" height=\"" +
           number(height, 0) + "\" viewBox=\"0 0 " + number(width, 0) + " " + number(height, 0) + "\">");
  out.line("<title>" + title + "</title>");
  out.line("<desc>Monthly means: mean daily maximum, minimum and dew point temperature (lines, left axis) and mean "
           "daily relative humidity (bars, right axis).</desc>");
  out.line("<rect x=\"0\" y=\"0\" width=\"" + number(width, 0) + "\" height=\"" + number(height, 0) +
           "\" fill=\"#ffffff\"/>");
  out.line("<text x=\"" + number(width / 2) + "\" y=\"30\" font-family=\"sans-serif\" font-size=\"16\" "
           "text-anchor=\"middle\" fill=\"#000000\">" + title + "</text>");
  write_axes(out, axis);
  write_bars(out, humidity);
  out.line("<rect x=\"" + number(plot_left) + "\" y=\"" + number(plot_top) + "\" width=\"" +
           number(plot_right - plot_left) + "\" height=\"" + number(plot_bottom - plot_top) +
           "\" fill=\"none\" stroke=\"#333333\" stroke-width=\"1\"/>");
  for (const Series& series : lines) write_line(out, series, axis);
  write_legend(out, lines, humidity);
  out.line("</svg>");
  recio::close_unit(chart_unit);
}

}  // namespace tiral
