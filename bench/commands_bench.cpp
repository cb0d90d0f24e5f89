// The attribution commands on the large database, driving fake controls: a
// whole lookup (three statements, five boxes) and the listing of the largest
// city. With --memo, also the real memo widget filled with that listing.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "app/qt/control_adapters.h"
#include "app/qt/widgets.h"
#include "base/gbk.h"
#include "commands/commands.h"
#include "commands/fake_controls.h"
#include "db/connection.h"
#include "db/query.h"

namespace {

std::filesystem::path LargeFixture() {
  const char* env = std::getenv("ATTR_SHARED_DIR");
  std::filesystem::path dir = env && *env ? env : ATTR_DEFAULT_SHARED_DIR;
  return dir / "fixtures" / "attrdata-large.mdb";
}

struct Session {
  db::TADOConnection connection;
  db::TADOQuery query{connection};
  Session() {
    connection.SetDataSource(LargeFixture().string());
    query.SetParamCheck(false);
  }
};

Session* Shared(benchmark::State& state) {
  if (!std::filesystem::exists(LargeFixture())) {
    state.SkipWithError("attrdata-large.mdb absent");
    return nullptr;
  }
  static Session session;
  return &session;
}

void BM_LookupCommand(benchmark::State& state) {
  Session* s = Shared(state);
  if (!s) return;
  commands::FakeText e1, e2, e3, e4, e5, e6;
  commands::FakeShell shell;
  commands::LookupTab tab{e1, e2, e3, e4, e5, e6};
  const char* numbers[] = {"13000001234", "13512345678", "18600001111", "19912345678"};
  size_t i = 0;
  for (auto _ : state) {
    e1.text = numbers[i++ % 4];
    commands::Button1Click(s->query, tab, shell);
  }
  if (!shell.notices.empty()) state.SkipWithError("a number was not found");
}
BENCHMARK(BM_LookupCommand);

// The segment tab on fake controls, set to the largest city, 北京/北京.
struct LargestCityTab {
  commands::FakeCombo provinces, cities;
  commands::FakeMemo memo;
  commands::FakeShell shell;
  commands::SegmentTab tab{provinces, cities, memo};
  LargestCityTab() {
    provinces.text = base::Utf16ToGbk(u"北京");
    cities.text = provinces.text;
  }
};

void BM_ListingOfTheLargestCity(benchmark::State& state) {
  Session* s = Shared(state);
  if (!s) return;
  LargestCityTab t;
  for (auto _ : state) commands::Button2Click(s->query, t.tab, t.shell);
  state.counters["lines"] = t.memo.lines_added / static_cast<double>(state.iterations());
}
BENCHMARK(BM_ListingOfTheLargestCity)->Unit(benchmark::kMillisecond);

// The listing's lines handed to the real memo, hidden while they are added.
void BM_FillRealMemo(benchmark::State& state) {
  Session* s = Shared(state);
  if (!s) return;
  std::vector<std::string> lines;
  {
    LargestCityTab t;
    commands::Button2Click(s->query, t.tab, t.shell);
    size_t start = 0;
    for (size_t end; (end = t.memo.text.find("\r\n", start)) != std::string::npos;
         start = end + 2) {
      lines.push_back(t.memo.text.substr(start, end - start));
    }
  }
  QWidget window;
  window.resize(391, 311);
  app::TMemo* widget = new app::TMemo(&window);
  widget->setGeometry(2, 15, 272, 194);
  window.show();
  app::MemoAdapter memo(widget);
  for (auto _ : state) {
    memo.SetVisible(false);
    memo.SetEnabled(false);
    memo.ClearLines();
    for (const std::string& line : lines) memo.AddLine(line);
    memo.SetEnabled(true);
    memo.SetVisible(true);
    QApplication::processEvents();
  }
  state.counters["lines"] = static_cast<double>(lines.size());
}
BENCHMARK(BM_FillRealMemo)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
