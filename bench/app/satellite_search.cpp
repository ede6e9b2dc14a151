// One keystroke in the satellite search with "All satellites" and a catalogue of 30,000: the field's
// text changes and every line of the list is shown or hidden. Typing and taking back letters of a
// name and of a number, so both the lines that go and the lines that come back are counted.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QLineEdit>
#include <QListWidget>
#include <cstdlib>
#include <memory>
#include <vector>

#include "app/SatelliteSearch.h"
#include "catalogue/CatalogueNumber.h"

namespace {

constexpr int kSatellites = 30000;

void BM_SearchKeystroke(benchmark::State& state) {
  QListWidget list;
  list.setUniformItemSizes(true);
  list.resize(169, 98);
  QLineEdit field;
  nimbrel::app::TSatelliteSearch search(&field, &list);
  std::vector<QString> keys;
  for (int i = 0; i < kSatellites; ++i) {
    // Names as public catalogues have them: many debris pieces sharing a stem.
    const QString name =
        i % 5 == 0 ? QStringLiteral("COSMOS %1 DEB").arg(2000 + i % 50) : QStringLiteral("OBJECT %1").arg(i);
    const QString number = QString::fromStdString(nimbrel::catalogue::CatalogueNumberText(10000 + i * 7));
    list.addItem(name);
    keys.push_back(nimbrel::app::SatelliteSearchKey(name, number));
  }
  search.SetKeys(std::move(keys));
  list.show();
  QApplication::processEvents();
  const QString typed[] = {"c", "co", "cos", "cosm", "cos", "co", "c", "", "1", "12", "123", "12", "1", ""};
  std::size_t next = 0;
  for (auto _ : state) {
    field.setText(typed[next]);
    QApplication::processEvents();  // the list lays out and paints what is shown
    next = (next + 1) % std::size(typed);
  }
  state.SetLabel("30,000 lines, per keystroke");
}
BENCHMARK(BM_SearchKeystroke)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  // Measured without a screen unless one is asked for.
  if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
