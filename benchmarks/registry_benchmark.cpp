// The cost of saving the Customize settings (every caption and flag of every document kind,
// 732 values) into a hive that already holds about 1,000 or 10,000 values, beside the
// floor any save must pay: one atomic rewrite of the same hive file, written directly; and
// the whole OK of the Customize dialog (every page written back, then saved).
// Run by hand from a Release build: bin/registry_benchmarks
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "ScratchDevice.h"
#include "core/CustomSettings.h"
#include "customers/CustomizeLayout.h"
#include "platform/base/Base.h"
#include "platform/kernel/DeviceRoot.h"
#include "platform/registry/Registry.h"

namespace {

constexpr int kCustomizeValues = 36 * 6 + 83 * 6;

// A device root of its own for each hive size, its HKEY_CURRENT_USER filled up to
// `values` values: the Customize settings and the rest in keys of 100 values each.
struct Device {
  explicit Device(int values) {
    platform::ReloadRegistry();
    platform::CRegistryBatch batch;
    for (int i = 0; i < values - kCustomizeValues; ++i) {
      std::u16string path = u"Software\\VendelSoftware\\Slateway\\Filler" + platform::ToUtf16(std::to_string(i / 100));
      HKEY key = nullptr;
      RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, 0, nullptr, &key, nullptr);
      std::u16string name = u"Value" + platform::ToUtf16(std::to_string(i));
      DWORD v = static_cast<DWORD>(i);
      RegSetValueExW(key, name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&v), 4);
      RegCloseKey(key);
    }
    batch.End();
    settings = std::make_unique<CCustomSettings>();
    settings->Save();
  }
  ~Device() {
    settings.reset();
    platform::ReloadRegistry();
  }
  std::filesystem::path HiveFile() const { return root / "Windows" / "Registry" / "HKEY_CURRENT_USER.reg"; }

  bench::ScratchDevice scratch;
  const std::filesystem::path& root = scratch.Root();
  std::unique_ptr<CCustomSettings> settings;
};

void CustomizeSave(benchmark::State& state) {
  Device device(static_cast<int>(state.range(0)));
  BYTE flag = 0;
  for (auto _ : state) {
    device.settings->SetFlag(0, 0, flag ^= 1);  // a real change each time
    if (device.settings->Save() != 1) state.SkipWithError("the save failed");
  }
  state.counters["hive_bytes"] = static_cast<double>(std::filesystem::file_size(device.HiveFile()));
}
BENCHMARK(CustomizeSave)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

// OK in the Customize dialog: all seven pages written back into the settings and the
// preferences it touches, then saved; hive_writes counts the hive file rewrites per OK.
void CustomizeDialogSave(benchmark::State& state) {
  Device device(static_cast<int>(state.range(0)));
  CCustomizeLayout layout(*device.settings, nullptr, 0, {}, {});
  std::array<CFieldGridModel, CCustomizeLayout::kPageCount> pages;
  std::array<const CFieldGridModel*, CCustomizeLayout::kPageCount> views{};
  for (int i = 0; i < CCustomizeLayout::kPageCount; ++i) {
    layout.FillPage(i, pages[static_cast<size_t>(i)]);
    views[static_cast<size_t>(i)] = &pages[static_cast<size_t>(i)];
  }
  ULONGLONG writes = 0;
  for (auto _ : state) {
    pages[0].Toggle(0, CFieldGridModel::kScreenColumn);  // a real change each time
    ULONGLONG before = platform::RegistryGeneration(HKEY_CURRENT_USER);
    if (!layout.Apply(views)) state.SkipWithError("the save failed");
    writes += platform::RegistryGeneration(HKEY_CURRENT_USER) - before;
  }
  state.counters["hive_writes"] = benchmark::Counter(static_cast<double>(writes), benchmark::Counter::kAvgIterations);
}
BENCHMARK(CustomizeDialogSave)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

// The anchor: the same hive file rewritten once by the atomic writer, nothing else.
void HiveRewriteAnchor(benchmark::State& state) {
  Device device(static_cast<int>(state.range(0)));
  std::ifstream in(device.HiveFile(), std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  const std::string content = bytes.str();
  for (auto _ : state) {
    if (!platform::WriteFileAtomic(device.HiveFile(), content, false)) state.SkipWithError("the write failed");
  }
  state.counters["hive_bytes"] = static_cast<double>(content.size());
}
BENCHMARK(HiveRewriteAnchor)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
