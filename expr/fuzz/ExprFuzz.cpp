// Random expression texts through both entry points, with a dataset, a form,
// user functions and a rate table installed: the evaluator must answer every
// one without crashing, hanging or leaking.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "DialogService.h"
#include "Evaluator.h"
#include "MemoryDataset.h"
#include "ParseCache.h"

namespace {

// Failure messages go nowhere: the fuzzer makes millions of them.
class SilentDialogs : public orn::HeadlessDialogService {
 public:
  int MessageDialog(const std::string&, const std::string&, orn::DialogType, unsigned) override { return orn::kMrOk; }
};

struct World {
  orn::MemoryDataset items;
  orn::MemoryForm form{"Form1"};
  orn::MemoryHost host;
  orn::MemoryRateDataset rates;

  World() {
    orn::SetDialogs(std::make_unique<SilentDialogs>());
    items.AddField("Kods", orn::FieldType::String);
    items.AddField("Summa", orn::FieldType::Float);
    items.AddField("N", orn::FieldType::Integer);
    items.AddField("D", orn::FieldType::Date);
    items.AddRow({orn::MemoryDataset::Text("LV1"), orn::MemoryDataset::Real(12.5), orn::MemoryDataset::Int(3),
                  orn::MemoryDataset::Day(46000)});
    form.AddDataset("T", &items);
    host.AddForm(&form);
    orn::SetExprHost(&host);
    rates.Add({"USD", 46000, 46030, 0.95, 1});
    orn::SetKursDataset(&rates);
    orn::UserFunctions().Set("F1", "N|N");
    orn::UserFunctions().Set("F0", "|S");
    UserFunctionHandler = [](const std::string&, const std::vector<std::string>& args, std::string& value) {
      value = args.empty() ? "x" : args[0];
    };
    AnalyticFormatHandler = [](const std::string& a, const std::string& b, std::string& value) { value = a + b; };
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static World world;
  static int runs = 0;
  if (runs++ % 1000 == 0) {
    // Entries live as long as the cache; start a fresh one now and then.
    orn::FreeParseCache();
    orn::CreateParseCache();
  }
  const std::string text(reinterpret_cast<const char*>(data), size);
  std::string result;
  EvaluateExpression(text, &world.items, &world.form, result);
  EvaluateExpressionUncached(text, nullptr, nullptr, result);
  return 0;
}
