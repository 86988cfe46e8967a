#include "tools/tellwickctl/watch/frame.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "kit/disk_utilities.h"
#include "tools/tellwickctl/watch/text_cells.h"

namespace tellwick::watch {
namespace {


struct Panel_ {
  std::string title;
  std::vector<std::string> rows;
};

class Writer {
 public:
  Writer(int width, bool unicode) : width_(width), unicode_(unicode) {}
  std::string fit(const std::string& text, int width, Align align = Align::left) const {
    return fitCells(text, width, align, unicode_);
  }
  std::string line(const std::string& text) const { return fitCells(text, width_, Align::left, unicode_); }
  int width() const { return width_; }

 private:
  int width_;
  bool unicode_;
};

// The panel's name, with how many items did not fit: "Traffic +3".
std::string named(const char* name, std::size_t items, std::size_t shown) {
  if (shown >= items) return name;
  return std::string(name) + " +" + std::to_string(items - shown);
}

std::size_t itemsShown(std::size_t items, int rows) {
  return std::min(items, static_cast<std::size_t>(std::max(rows, 0)));
}

std::string percentText(std::optional<std::uint8_t> level) {
  return level ? std::to_string(*level) + "%" : "-";
}

std::string rateText(std::optional<double> perSecond) {
  if (!perSecond || !std::isfinite(*perSecond) || *perSecond < 0) return "-";
  if (*perSecond >= 1.8e19) return "-";
  return DiskUtilities::rateText(static_cast<std::uint64_t>(std::llround(*perSecond)), false);
}

// How much time the graphs cover: "last 40 s", "last 12 min", "last hour".
std::string spanText(double seconds) {
  if (seconds < 59.5) return "last " + std::to_string(std::lround(std::max(seconds, 1.0))) + " s";
  if (seconds < 3570) return "last " + std::to_string(std::lround(seconds / 60)) + " min";
  return "last hour";
}

Panel_ sensorsPanel(const WatchState& state, const Writer& w, int rows, Glyphs glyphs) {
  const int width = w.width();
  const int nameW = width >= 100 ? 28 : width >= 80 ? 22 : width >= 60 ? 16 : 12;
  const int valueW = 10;
  const bool minMax = width >= 60;
  int graphW = width - nameW - 1 - valueW - (minMax ? 2 * (1 + valueW) : 0) - 2;
  if (graphW < 4) graphW = 0;

  auto columns = [&](const std::string& name, const std::string& value, const std::string& low,
                     const std::string& high) {
    std::string text = w.fit(name, nameW) + " " + w.fit(value, valueW, Align::right);
    if (minMax) text += " " + w.fit(low, valueW, Align::right) + " " + w.fit(high, valueW, Align::right);
    return text + "  ";
  };

  Panel_ panel;
  const auto& sensors = state.sensors();
  std::size_t shown = itemsShown(sensors.size(), rows);
  // Every graph spans the width and covers the same time: a sensor that
  // came later starts where its readings do.
  std::size_t span = 1;
  for (std::size_t i = 0; i < shown; ++i) span = std::max(span, sensors[i].history.size());
  const std::string spanTitle = spanText(static_cast<double>(span - 1) * state.interval());
  panel.title = w.line(columns(named("Sensors", sensors.size(), shown), "now", "min", "max") + (graphW ? spanTitle : ""));
  if (sensors.empty()) {
    panel.rows.push_back(w.line(state.sensorsAnswered() ? "  none reported" : "  waiting for the helper…"));
    return panel;
  }
  int perSensor = shown == sensors.size() && shown > 0
                      ? std::clamp(rows / static_cast<int>(shown), 1, kMaxRowsPerSensor)
                      : 1;
  std::vector<float> readings;
  for (std::size_t i = 0; i < shown; ++i) {
    const SensorTrack& s = sensors[i];
    int digits = s.fractionDigits;
    std::string name = s.description.empty() ? s.identifier : s.description;
    std::string text = columns(name, sensorValueText(s.value, s.type, digits),
                               sensorValueText(s.minimum, s.type, digits),
                               sensorValueText(s.maximum, s.type, digits));
    std::vector<std::string> graph;
    if (graphW) {
      s.history.copyTo(readings);
      readings.insert(readings.begin(), span - readings.size(), NAN);
      graph = renderGraph(readings, graphW, perSensor, glyphs);
    }
    const std::string blank(static_cast<std::size_t>(cellWidth(text)), ' ');
    for (int r = 0; r < perSensor; ++r) {
      std::string row = r == 0 ? text : blank;
      if (graphW) row += graph[static_cast<std::size_t>(r)];
      panel.rows.push_back(w.line(row));
    }
  }
  return panel;
}

Panel_ fansPanel(const WatchState& state, const Writer& w, int rows, Glyphs glyphs) {
  const int width = w.width();
  const int nameW = width >= 80 ? 20 : 12;
  const int rpmW = 6, targetW = 9;
  int barW = std::max(width - nameW - 1 - rpmW - 2 - 2 - targetW, 0);
  Panel_ panel;
  const std::vector<Fan> none;
  const auto& fans = state.fans() ? *state.fans() : none;
  std::size_t shown = itemsShown(fans.size(), rows);
  panel.title = w.line(w.fit(named("Fans", fans.size(), shown), nameW) + " " + w.fit("rpm", rpmW, Align::right) + "  " +
                       w.fit("speed", barW) + "  " + w.fit("target", targetW, Align::right));
  if (!state.fans()) {
    panel.rows.push_back(w.line("  waiting for the helper…"));
    return panel;
  }
  if (fans.empty()) panel.rows.push_back(w.line("  none reported"));
  for (std::size_t i = 0; i < shown; ++i) {
    const Fan& f = fans[i];
    panel.rows.push_back(w.line(w.fit(f.name, nameW) + " " + w.fit(std::to_string(f.rpm), rpmW, Align::right) +
                                "  " + renderBar(f.relativeSpeed(), barW, glyphs) + "  " +
                                w.fit(std::to_string(f.target) + " rpm", targetW, Align::right)));
  }
  return panel;
}

Panel_ trafficPanel(const WatchState& state, const Writer& w, int rows) {
  const int pidW = 7, rateW = 11;
  const int nameW = std::max(w.width() - pidW - 2 - 2 * (1 + rateW), 4);
  auto columns = [&](const std::string& pid, const std::string& name, const std::string& in, const std::string& out) {
    return w.line(w.fit(pid, pidW, Align::right) + "  " + w.fit(name, nameW) + " " +
                  w.fit(in, rateW, Align::right) + " " + w.fit(out, rateW, Align::right));
  };
  Panel_ panel;
  const std::vector<ProcessRate> none;
  const auto& traffic = state.traffic() ? *state.traffic() : none;
  std::size_t shown = itemsShown(traffic.size(), rows);
  panel.title = w.line(w.fit(named("Traffic", traffic.size(), shown), pidW + 2 + nameW) + " " +
                       w.fit("in", rateW, Align::right) + " " + w.fit("out", rateW, Align::right));
  if (!state.traffic()) {
    panel.rows.push_back(w.line("  waiting for the helper…"));
    return panel;
  }
  if (traffic.empty()) panel.rows.push_back(w.line("  none reported"));
  for (std::size_t i = 0; i < shown; ++i) {
    const ProcessRate& p = traffic[i];
    panel.rows.push_back(columns(std::to_string(p.pid), p.name, rateText(p.receivedPerSecond), rateText(p.sentPerSecond)));
  }
  return panel;
}

Panel_ batteriesPanel(const WatchState& state, const Writer& w, int rows, Glyphs glyphs) {
  const int width = w.width();
  const int nameW = width >= 80 ? 24 : 12;
  // "  L bar 100%  R bar 100%  case 100%" shrinks its bars first.
  const int fixed = 2 + 2 + 1 + 4 + 4 + 1 + 4 + 7 + 4;
  const int barW = std::clamp((width - nameW - fixed) / 2, 0, 12);
  Panel_ panel;
  const std::vector<BatteryRow> none;
  const auto& devices = state.batteries() ? *state.batteries() : none;
  std::size_t shown = itemsShown(devices.size(), rows);
  panel.title = w.line(w.fit(named("Batteries", devices.size(), shown), nameW) + "  level");
  if (!state.batteries()) {
    panel.rows.push_back(w.line("  waiting for the helper…"));
    return panel;
  }
  if (devices.empty()) panel.rows.push_back(w.line("  none reported"));
  for (std::size_t i = 0; i < shown; ++i) {
    const BatteryRow& d = devices[i];
    auto level = [&](std::optional<std::uint8_t> l) {
      return (barW ? renderBar(l ? *l / 100.0 : NAN, barW, glyphs) + " " : std::string()) +
             w.fit(percentText(l), 4, Align::right);
    };
    std::string text = w.fit(d.name, nameW) + "  ";
    if (d.isDouble) {
      text += "L " + level(d.left) + "  R " + level(d.right);
      if (d.caseLevel) text += "  case " + percentText(d.caseLevel);
    } else {
      text += "  " + level(d.level) + (d.isCharging ? "  charging" : "");
    }
    panel.rows.push_back(w.line(text));
  }
  return panel;
}

// Width-preserving stand-ins for a terminal without Unicode: names from
// outside may hold any character, so whatever is not ASCII becomes '?'.
std::string asciiOnly(const std::string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size();) {
    auto c = static_cast<unsigned char>(text[i]);
    if (c < 0x80) {
      out += static_cast<char>(c);
      ++i;
      continue;
    }
    std::size_t next = i + 1;
    while (next < text.size() && (static_cast<unsigned char>(text[next]) & 0xC0) == 0x80) ++next;
    std::string_view glyph(text.data() + i, next - i);
    out += glyph == "…" ? '~' : glyph == "·" ? '|' : glyph == "°" ? 'o' : '?';
    i = next;
  }
  return out;
}

std::string intervalText(double seconds) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%g s", seconds);
  return buffer;
}

}  // namespace

std::vector<PanelWish> panelWishes(const WatchState& state, const std::vector<Panel>& panels) {
  std::vector<PanelWish> wishes;
  for (Panel p : panels) {
    std::size_t items = 1;
    switch (p) {
      case Panel::sensors: items = state.sensors().size(); break;
      case Panel::fans: items = state.fans() ? state.fans()->size() : 1; break;
      case Panel::traffic: items = state.traffic() ? std::min<std::size_t>(state.traffic()->size(), 10) : 1; break;
      case Panel::batteries: items = state.batteries() ? state.batteries()->size() : 1; break;
    }
    wishes.push_back({p, static_cast<int>(std::clamp<std::size_t>(items, 1, 1000))});
  }
  return wishes;
}

std::vector<FrameLine> composeFrame(const WatchState& state, const ViewSettings& settings) {
  if (settings.columns < 1 || settings.lines < 1) return {};
  const Writer w(settings.columns, settings.glyphs == Glyphs::unicode);
  std::vector<FrameLine> frame(static_cast<std::size_t>(settings.lines), {w.line(""), LineStyle::plain});

  std::string status = "tellwick watch · every " + intervalText(state.interval());
  if (!settings.helperAnswering) status += " · helper not answering";
  frame[0] = {w.line(status), LineStyle::status};
  if (settings.lines < 2) return frame;

  Layout layout = layoutPanels(settings.lines, panelWishes(state, settings.panels), settings.focus, settings.enlarged);
  for (const PanelPlace& place : layout.shown) {
    const int rows = place.height - 1;
    Panel_ panel;
    switch (place.panel) {
      case Panel::sensors: panel = sensorsPanel(state, w, rows, settings.glyphs); break;
      case Panel::fans: panel = fansPanel(state, w, rows, settings.glyphs); break;
      case Panel::traffic: panel = trafficPanel(state, w, rows); break;
      case Panel::batteries: panel = batteriesPanel(state, w, rows, settings.glyphs); break;
    }
    auto top = static_cast<std::size_t>(place.top);
    frame[top] = {panel.title, place.panel == settings.focus ? LineStyle::focusedTitle : LineStyle::title};
    for (int r = 0; r < rows && r < static_cast<int>(panel.rows.size()); ++r) {
      frame[top + 1 + static_cast<std::size_t>(r)].text = panel.rows[static_cast<std::size_t>(r)];
    }
  }

  std::string keys;
  if (settings.enlarged) {
    keys = "Enter: all panels · q quit";
  } else {
    if (!layout.hidden.empty()) {
      keys = "hidden:";
      for (Panel p : layout.hidden) keys += std::string(" ") + panelName(p);
      keys += " · ";
    }
    keys += "q quit · j/k move · Enter enlarge · +/- interval";
  }
  frame[static_cast<std::size_t>(layout.keyLine)] = {w.line(keys), LineStyle::keys};
  if (settings.glyphs == Glyphs::ascii) {
    for (auto& line : frame) line.text = asciiOnly(line.text);
  }
  return frame;
}

}  // namespace tellwick::watch
