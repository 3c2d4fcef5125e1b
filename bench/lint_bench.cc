// Speed of velmora-check's linter on settings files at the reader's size limit, of the shapes
// that made it slow: one huge unknown key, half a million bare lines, a mistake on every line.
#include "check/settings_lint.h"

#include <benchmark/benchmark.h>

#include <string>

namespace velmora {
namespace {

constexpr size_t kFileLimit = (1u << 20) - 1; // the largest file the reader takes

// "[Path]\n" and then `line` again and again, up to the limit.
std::string fileOf(const std::string &line) {
  std::string bytes = "[Path]\n";
  while (bytes.size() + line.size() <= kFileLimit)
    bytes += line;
  return bytes;
}

std::string shape(int64_t which) {
  switch (which) {
  case 0: // a single unknown key of a megabyte
    return "[Path]\n" + std::string(kFileLimit - 10, 'k') + "=x\n";
  case 1: // bare lines
    return fileOf("x\n");
  case 2: // a near miss of a key on every line
    return fileOf("shfit=x\n");
  case 3: // the same key on every line
    return fileOf("default=x %P\n");
  case 4: { // a placeholder of another program, again and again in one value
    std::string value;
    while (value.size() + 40 < kFileLimit)
      value += "%F";
    return "[Path]\ndefault=x " + value + "\n";
  }
  default: // sections velmora does not read
    return fileOf("[Paths]\n");
  }
}

void LintLargeFile(benchmark::State &state) {
  std::string bytes = shape(state.range(0));
  TemplateSet read;
  size_t findings = 0, reportBytes = 0;
  for (auto _ : state) {
    SettingsLint found = lintSettings(bytes, read);
    findings = found.findings.size();
    reportBytes = 0;
    for (const Finding &finding : found.findings)
      reportBytes += finding.shown().size() + 1;
    benchmark::DoNotOptimize(found);
  }
  state.counters["file_bytes"] = static_cast<double>(bytes.size());
  state.counters["findings"] = static_cast<double>(findings);
  state.counters["report_bytes"] = static_cast<double>(reportBytes);
}

BENCHMARK(LintLargeFile)->Unit(benchmark::kMillisecond)->DenseRange(0, 5)->Iterations(3);

} // namespace
} // namespace velmora

BENCHMARK_MAIN();
