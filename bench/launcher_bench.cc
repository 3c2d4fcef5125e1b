// Speed of the launcher's own work on the real POSIX backend: splitting the command line
// (nothing is cached, so every request walks it again) and composing the launch command.
#include "host/host_platform.h"
#include "launcher/launch_plan.h"
#include "launcher/template_expansion.h"
#include "text/argument_list.h"
#include "text/system_locale.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace velmora {
namespace {

constexpr size_t kWindowsLimit = 32767; // the longest command line CreateProcess accepts

// argv for a command line of at most kWindowsLimit bytes: the program, optionally a settings
// option, then arguments from `next` until the line is full.
template <typename Next> std::vector<std::string> fill(std::string first, Next next) {
  std::vector<std::string> argv = {"/opt/velmora/velmora", std::move(first)};
  size_t length = argv[0].size() + 1 + argv[1].size();
  for (size_t i = 0;; ++i) {
    std::string argument = next(i);
    if (length + 1 + argument.size() > kWindowsLimit)
      return argv;
    length += 1 + argument.size();
    argv.push_back(std::move(argument));
  }
}

std::vector<std::string> realisticPaths(std::string first) {
  return fill(std::move(first), [](size_t i) {
    return "/home/user/Documents/projects/report-" + std::to_string(i) + "/draft.txt";
  });
}

std::vector<std::string> oneByteArguments(std::string first) {
  return fill(std::move(first), [](size_t) { return std::string("a"); });
}

// The POSIX backend reads argv when it is first asked, so argv lives as long as the platform,
// as main's does.
struct Host {
  std::vector<char *> argv;
  std::unique_ptr<PlatformRoles> platform;
  const PlatformRoles &operator*() const { return *platform; }
};

Host hostWith(std::vector<std::string> &arguments) {
  Host host;
  for (std::string &argument : arguments)
    host.argv.push_back(argument.data());
  host.platform = makeHostPlatform(static_cast<int>(host.argv.size()), host.argv.data());
  initSystemLocale(*host);
  return host;
}

std::string settingsFile(const std::string &commandTemplate) {
  std::filesystem::path path = std::filesystem::temp_directory_path() / "velmora-bench.ini";
  std::FILE *file = std::fopen(path.c_str(), "wb");
  std::fprintf(file, "[Path]\r\ndefault=%s\r\n", commandTemplate.c_str());
  std::fclose(file);
  return "/ini=" + path.string();
}

void reportLine(benchmark::State &state, const PlatformRoles &host) {
  state.counters["bytes"] = static_cast<double>(std::string(host.commandLine()).size());
  state.counters["arguments"] = ArgumentList(host, host).argumentCount();
}

void ArgumentCountRealistic(benchmark::State &state) {
  std::vector<std::string> argv = realisticPaths("first");
  Host host = hostWith(argv);
  for (auto _ : state)
    benchmark::DoNotOptimize(ArgumentList(*host, *host).argumentCount());
  reportLine(state, *host);
}

void LastArgumentRealistic(benchmark::State &state) {
  std::vector<std::string> argv = realisticPaths("first");
  Host host = hostWith(argv);
  ArgumentList arguments(*host, *host);
  int32_t count = arguments.argumentCount();
  for (auto _ : state)
    benchmark::DoNotOptimize(arguments.argumentAt(count));
  reportLine(state, *host);
}

// The launcher's whole work but the process start: settings read, keys, both expansion stages.
void ComposeRealistic(benchmark::State &state) {
  std::vector<std::string> argv = realisticPaths(settingsFile("editor %O1 %O2 \"%P\""));
  Host host = hostWith(argv);
  for (auto _ : state)
    benchmark::DoNotOptimize(composeLaunchPlan(*host));
  reportLine(state, *host);
}

void ComposeOneByteArguments(benchmark::State &state) {
  std::vector<std::string> argv = oneByteArguments(settingsFile("editor %O1 %O2 \"%P\""));
  Host host = hostWith(argv);
  for (auto _ : state)
    benchmark::DoNotOptimize(composeLaunchPlan(*host));
  reportLine(state, *host);
}

// Composes the plan for the settings option with `commandTemplate`, arguments "%O2" to
// "%O<count>" each bringing in the next pass's placeholder, "end", and `target`.
void composeChained(benchmark::State &state, const std::string &commandTemplate,
                    const std::string &target) {
  std::vector<std::string> argv = {"/opt/velmora/velmora", settingsFile(commandTemplate)};
  for (int64_t n = 2; n <= state.range(0); ++n)
    argv.push_back("%O" + std::to_string(n));
  argv.push_back("end");
  argv.push_back(target);
  Host host = hostWith(argv);
  for (auto _ : state)
    benchmark::DoNotOptimize(composeLaunchPlan(*host));
  reportLine(state, *host);
}

// Chained arguments, as many as Linux takes (about 2 MB of arguments): every argument brings in
// the next pass's placeholder, so every pass finds one. Ten times the arguments should take ten
// times as long, not a hundred.
void ComposeChainedPlaceholders(benchmark::State &state) {
  composeChained(state, "%O1", "/tmp/target");
}

// Chained arguments and a target as long as Linux takes one argument (120,000 bytes): every
// pass finds its placeholder in a long command, which each pass used to read whole.
void ComposeChainedLongTarget(benchmark::State &state) {
  composeChained(state, "%O1 \"%P\"", "/tmp/" + std::string(120000, 'a'));
}

// The same with a target full of "%O" that no pass takes ("%O0x%Oy").
void ComposeChainedUnmatchedTarget(benchmark::State &state) {
  std::string target = "/tmp/";
  while (target.size() < 120000)
    target += "%O0x%Oy";
  composeChained(state, "%O1 \"%P\"", target);
}

// A template of as many different placeholders as a settings value holds (%O1 to %O399), each
// argument a long path, and a long target.
void ComposeManyPlaceholdersLongText(benchmark::State &state) {
  std::string commandTemplate = "\"%P\"";
  int64_t count = 0;
  while (commandTemplate.size() + 7 < 2047)
    commandTemplate += " %O" + std::to_string(++count);
  std::vector<std::string> argv = {"/opt/velmora/velmora", settingsFile(commandTemplate)};
  for (int64_t n = 1; n <= count; ++n)
    argv.push_back("/home/user/" + std::string(200, 'd') + "/file-" + std::to_string(n));
  argv.push_back("/tmp/" + std::string(30000, 'a'));
  Host host = hostWith(argv);
  for (auto _ : state)
    benchmark::DoNotOptimize(composeLaunchPlan(*host));
  reportLine(state, *host);
}

// Crafted arguments that double the command at every pass ("%O2%O2", "%O3%O3", ...): each
// pass stops at the launch command limit, so this costs what a long command costs, however
// many such arguments there are.
void ComposeDoublingPlaceholders(benchmark::State &state) {
  std::vector<std::string> argv = {"/opt/velmora/velmora", settingsFile("%O1")};
  for (int n = 2; n < state.range(0) + 2; ++n)
    argv.push_back("%O" + std::to_string(n) + "%O" + std::to_string(n));
  argv.push_back("/tmp/target");
  Host host = hostWith(argv);
  for (auto _ : state)
    benchmark::DoNotOptimize(composeLaunchPlan(*host));
  reportLine(state, *host);
}

// A 2 kB template (the most a settings value holds) made of placeholders.
void ExpansionManyPlaceholders(benchmark::State &state) {
  std::vector<std::string> argv = {"velmora", "-a", "-b", "-c", "/home/user/docs/file.txt"};
  Host host = hostWith(argv);
  std::string commandTemplate;
  while (commandTemplate.size() < 2040)
    commandTemplate += "%O1 %o2 %P %O3 ";
  commandTemplate.resize(2047);
  ArgumentList arguments(*host, *host);
  for (auto _ : state) {
    std::string command = *expandTemplate(*host, commandTemplate, "/home/user/docs/file.txt");
    benchmark::DoNotOptimize(substituteArguments(command, arguments, false));
  }
}

BENCHMARK(ArgumentCountRealistic)->Unit(benchmark::kMicrosecond);
BENCHMARK(LastArgumentRealistic)->Unit(benchmark::kMicrosecond);
BENCHMARK(ComposeRealistic)->Unit(benchmark::kMillisecond);
BENCHMARK(ComposeOneByteArguments)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(ComposeChainedPlaceholders)
    ->Unit(benchmark::kMillisecond)
    ->Arg(1200)
    ->Arg(12000)
    ->Arg(120000)
    ->Iterations(3);
BENCHMARK(ComposeChainedLongTarget)
    ->Unit(benchmark::kMillisecond)
    ->Arg(1200)
    ->Arg(12000)
    ->Arg(120000)
    ->Iterations(3);
BENCHMARK(ComposeChainedUnmatchedTarget)
    ->Unit(benchmark::kMillisecond)
    ->Arg(1200)
    ->Arg(12000)
    ->Arg(120000)
    ->Iterations(3);
BENCHMARK(ComposeManyPlaceholdersLongText)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(ComposeDoublingPlaceholders)->Unit(benchmark::kMillisecond)->Arg(20)->Arg(40)->Arg(1000);
BENCHMARK(ExpansionManyPlaceholders)->Unit(benchmark::kMicrosecond);

} // namespace
} // namespace velmora

BENCHMARK_MAIN();
