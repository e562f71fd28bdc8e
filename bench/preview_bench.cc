// Times the Preview page on the hardest posts that fit its cap of 100,000
// characters: deep nesting, formats reopened around many blocks, many
// lines, many links, one endless word. Each post is shown as the window
// shows a part (PostPreview::Show, the page laid out and painted), several
// times; the fastest run counts, in wall-clock and processor time.
//
//   preview_bench [RUNS [NAME...]]   (default 3 runs, every post)
//
// Prints one line per post and the slowest post last. Run it under a real
// or virtual X server, or with QT_QPA_PLATFORM=offscreen.
#include <time.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QElapsedTimer>
#include <QPixmap>

#include "app/post_preview.h"
#include "core/preview/ubb_preview.h"

namespace {

constexpr std::size_t kCap = 100000;  // the Preview page's cap, in characters

std::string Repeated(const std::string& text, std::size_t times) {
  std::string out;
  out.reserve(text.size() * times);
  for (std::size_t i = 0; i < times; ++i) out += text;
  return out;
}

// As many copies of `unit` as fit the cap.
std::string Filled(const std::string& unit) { return Repeated(unit, kCap / unit.size()); }

// `open` nested as deep as the cap allows, with its closers.
std::string Nested(const std::string& open, const std::string& close) {
  const std::size_t depth = (kCap - 1) / (open.size() + close.size());
  return Repeated(open, depth) + "x" + Repeated(close, depth);
}

// Formats one short of the nesting cap, then `unit` for the rest.
std::string UnderFormats(const std::string& unit) {
  static const char* const kFormats[][2] = {{"[url=\"https://q.example/\"]", "[/url]"},
                                            {"[color=#05BC61]", "[/color]"},
                                            {"[size=14]", "[/size]"},
                                            {"[color=darkgrey]", "[/color]"},
                                            {"[size=3]", "[/size]"},
                                            {"[b]", "[/b]"},
                                            {"[i]", "[/i]"},
                                            {"[u]", "[/u]"},
                                            {"[s]", "[/s]"}};
  std::string open, close;
  for (std::size_t i = 0; i + 1 < quorlix::kMaxTagDepth; ++i) {
    const auto& format = kFormats[i % std::size(kFormats)];
    open += format[0];
    close.insert(0, format[1]);
  }
  const std::size_t room = kCap - open.size() - close.size();
  return open + Repeated(unit, room / unit.size()) + close;
}

struct Post {
  const char* name;
  std::function<std::string()> make;
};

const std::vector<Post>& Posts() {
  static const std::vector<Post> posts = {
      {"nested-quotes", [] { return Nested("[quote=Ann]", "[/quote]"); }},
      {"nested-bold", [] { return Nested("[b]", "[/b]"); }},
      {"nested-colors", [] { return Nested("[color=#05BC61]", "[/color]"); }},
      {"quote-trees-20",
       [] { return Filled(Repeated("[quote=Ann]x", 20) + Repeated("[/quote]", 20)); }},
      {"quotes", [] { return Filled("[quote=A]x[/quote]"); }},
      {"code-blocks", [] { return Filled("[code]x[/code]"); }},
      {"formats-around-code", [] { return UnderFormats("[code]x[/code]y"); }},
      {"formats-around-quotes", [] { return UnderFormats("[quote]x[code]y[/code]z[/quote]w"); }},
      {"formats-deep-lines", [] { return UnderFormats("x\n"); }},
      {"empty-lines", [] { return std::string(kCap, '\n'); }},
      {"short-lines", [] { return Filled("x\n"); }},
      {"short-lines-crlf", [] { return Filled("x\r\n"); }},
      {"bold-words", [] { return Filled("[b]x[/b] "); }},
      {"colored-lines", [] { return Filled("[color=#05BC61]x[/color]\n"); }},
      {"links", [] { return Filled("[url]a[/url]"); }},
      {"pictures", [] { return Filled("[img]a[/img]\n"); }},
      {"unclosed-tags", [] { return Filled("[b]x"); }},
      {"brackets", [] { return Filled("[[]"); }},
      {"escapes", [] { return Filled("<&\">"); }},
      {"one-word", [] { return std::string(kCap, 'x'); }},
      {"words", [] { return Filled("x "); }},
  };
  return posts;
}

double CpuMs() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

struct Timing {
  double wall_ms = 1e300;
  double cpu_ms = 1e300;
};

Timing TimeShow(const QString& text, int runs) {
  Timing best;
  for (int run = 0; run < runs; ++run) {
    quorlix::PostPreview preview;
    preview.resize(1000, 700);
    preview.show();
    QApplication::processEvents();
    QElapsedTimer wall;
    wall.start();
    const double cpu = CpuMs();
    preview.Show(text, quorlix::Dialect::kUbb, QStringLiteral("Preview"));
    preview.browser()->document()->documentLayout()->documentSize();
    QApplication::processEvents();
    const QPixmap picture = preview.grab();
    best.cpu_ms = std::min(best.cpu_ms, CpuMs() - cpu);
    best.wall_ms = std::min(best.wall_ms, static_cast<double>(wall.nsecsElapsed()) / 1e6);
    if (picture.isNull()) std::abort();
  }
  return best;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
  std::vector<std::string> wanted(argv + std::min(argc, 2), argv + argc);
  const Post* slowest = nullptr;
  Timing slowest_timing{0, 0};
  std::printf("%-24s %8s %10s %10s\n", "post", "chars", "wall ms", "cpu ms");
  for (const Post& post : Posts()) {
    if (!wanted.empty() && std::find(wanted.begin(), wanted.end(), post.name) == wanted.end()) {
      continue;
    }
    const std::string ubb = post.make();
    if (ubb.size() > kCap) std::abort();  // every post fits the cap
    const Timing timing = TimeShow(QString::fromStdString(ubb), runs);
    std::printf("%-24s %8zu %10.1f %10.1f\n", post.name, ubb.size(), timing.wall_ms, timing.cpu_ms);
    std::fflush(stdout);
    if (timing.wall_ms > slowest_timing.wall_ms) {
      slowest = &post;
      slowest_timing = timing;
    }
  }
  if (slowest != nullptr) {
    std::printf("slowest: %s, %.1f ms wall, %.1f ms processor\n", slowest->name,
                slowest_timing.wall_ms, slowest_timing.cpu_ms);
  }
  return 0;
}
