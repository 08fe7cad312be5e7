// A typical item filter (a call, a comparison and an "and") evaluated over
// 10,000 different items, through the parse cache and without it. Run by
// hand: expr_bench; items_per_second is evaluations per second.
#include <benchmark/benchmark.h>

#include <string>

#include "Evaluator.h"
#include "MemoryDataset.h"
#include "ParseCache.h"

namespace {

constexpr int kItems = 10000;
const char* const kFilter = "LEFT(Kods, 2) = 'LV' and Summa > 100";

orn::MemoryDataset& Items() {
  static orn::MemoryDataset items = [] {
    orn::MemoryDataset d;
    d.AddField("Kods", orn::FieldType::String);
    d.AddField("Summa", orn::FieldType::Float);
    for (int i = 0; i < kItems; ++i)
      d.AddRow({orn::MemoryDataset::Text((i % 3 == 0 ? "LV" : "EE") + std::to_string(i)),
                orn::MemoryDataset::Real(i * 0.25)});
    return d;
  }();
  return items;
}

template <void (*Evaluate)(const std::string&, const orn::ExprDataset*, orn::ExprForm*, std::string&)>
void FilterOverItems(benchmark::State& state) {
  orn::CreateParseCache();
  orn::MemoryDataset& items = Items();
  const std::string filter = kFilter;
  std::string result;
  long matches = 0;
  for (auto _ : state) {
    for (int i = 0; i < kItems; ++i) {
      items.SetCurrent(static_cast<size_t>(i));
      Evaluate(filter, &items, nullptr, result);
      matches += result == "T";
    }
  }
  benchmark::DoNotOptimize(matches);
  state.SetItemsProcessed(state.iterations() * kItems);
}

BENCHMARK_TEMPLATE(FilterOverItems, EvaluateExpression)->Name("Cached")->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(FilterOverItems, EvaluateExpressionUncached)->Name("Uncached")->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
