// Developer command: draws a sample disk-history chart (90 days, three temperature lines) the way
// the history view sets up XYGraph1, and writes it as SVG and PNG for a look.
//   chart_sample [--hours] [output stem] [width] [height]   (QT_QPA_PLATFORM=offscreen without a display)
// --hours draws power cycles and running hours instead, with the automatic maximum on the y axis.
#include <QGuiApplication>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <string>

#include "base/Error.h"
#include "chart/SvgCanvas.h"
#include "chart/XYGraph.h"
#include "gui/QtCanvas.h"

using namespace mrv;

int main(int argc, char** argv) {
  QGuiApplication app(argc, argv);
  int a = 1;
  const bool hours = argc > a && std::string(argv[a]) == "--hours";
  if (hours) ++a;
  const std::string stem = argc > a ? argv[a] : "chart_sample";
  const int width = argc > a + 1 ? std::atoi(argv[a + 1]) : 640;
  const int height = argc > a + 2 ? std::atoi(argv[a + 2]) : 400;

  TXYGraph graph;
  TXYLineSeries& red = graph.AddSeries();
  TXYLineSeries& green = graph.AddSeries();
  TXYLineSeries& blue = graph.AddSeries();
  red.setLinePen({colors::Red, 2, PenStyle::Solid});
  green.setLinePen({colors::Green, 2, PenStyle::Solid});
  blue.setLinePen({colors::Blue, 2, PenStyle::Solid});
  try {
    TGraphAxis& x = graph.XAxis();
    TGraphAxis& y = graph.YAxis();
    y.setMax(99999);
    y.setMin(0);
    x.setMin(-9999);
    x.setMax(0);
    // One reading every three days or so.
    double worst = 0;
    for (int i = 0; i <= 30; ++i) {
      const double day = -88.5 + i * 2.95;
      if (hours) {
        green.AddPoint(day, 180 + 2 * i);    // power cycles
        red.AddPoint(day, 3600 + 24 * i);    // running hours
      } else {
        const double current = std::round(38 + 6 * std::sin(i * 0.7) + (i % 4));
        worst = std::max(worst, current + 9);
        green.AddPoint(day, current);
        red.AddPoint(day, worst);
        blue.AddPoint(day, 24 + (i % 3));
      }
    }
    x.setMax(0);
    if (hours) {
      y.setAutoMax(true);
      y.setTitle("回数・時間");
    } else {
      y.setMax(120);
    }
    x.setMin(-90);
    x.setOrigin(-90);
    x.setTickStep(30);
    x.setSubTicksCount(6);
    x.setTitle("日数");
  } catch (const MrvError& e) {
    std::fprintf(stderr, "%s\n", e.what());
    return 1;
  }

  std::ofstream svg(stem + ".svg", std::ios::binary);
  svg << renderGraphSvg(graph, width, height);
  if (!svg) {
    std::fprintf(stderr, "cannot write %s.svg\n", stem.c_str());
    return 1;
  }
  std::string message;
  if (!saveGraphPng(graph, width, height, stem + ".png", message)) {
    std::fprintf(stderr, "%s\n", message.c_str());
    return 1;
  }
  std::printf("wrote %s.svg and %s.png (%dx%d)\n", stem.c_str(), stem.c_str(), width, height);
  return 0;
}
