// In-process cost of turning legacy argument words into the current tool's command line:
// Parameters and TranslateLegacyCommandLine (CheckSyntax, CreateCommand, Prepare), with nothing launched and
// the console output thrown away. Each translator is run on 2, 49, 1,000 and 16,000 option
// words; the "per_word" counter must stay flat as the list grows.

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <iostream>
#include <optional>
#include <streambuf>
#include <string>
#include <vector>

#include "app/LegacyTranslation.h"
#include "params/Parameters.h"

namespace {

// Swallows everything written to it, so the benchmark measures formatting, not a console.
class NullBuffer final : public std::streambuf {
protected:
    int overflow(int c) override { return traits_type::not_eof(c); }
    std::streamsize xsputn(const char* /*text*/, std::streamsize count) override { return count; }
};

class CoutToNull {
public:
    CoutToNull() : previous(std::cout.rdbuf(&sink)) {}
    ~CoutToNull() { std::cout.rdbuf(previous); }

    CoutToNull(const CoutToNull&) = delete;
    CoutToNull& operator=(const CoutToNull&) = delete;

private:
    NullBuffer sink;
    std::streambuf* previous;
};

// Option words each translator accepts. The list for a size is this cycle repeated and cut
// to length; the cut points used below (2, 49, 1,000, 16,000) all leave a valid list.
const std::vector<std::string> kAcquireCycle = {
    "-m", "M1", "-o", "OS1", "--local=D:\\pkgs", "-L", "--xml", "--proxy-address=P", "--proxy-port=80", "-r"};
const std::vector<std::string> kUpdateCycle = {
    "-F", "-L", "-l", "C:\\fw", "-m", "M1", "--xml", "-e", "id1,id2", "--host=10.0.0.9"};
const std::vector<std::string> kHiveBayCycle = {
    "-s", "--mm-address=10.0.0.5", "--mm-user=admin", "--mm-password=secret"};

// The process-style argument vector: program name, keyword, then `wordCount` option words.
std::vector<std::string> BuildArguments(const std::string& keyword, const std::vector<std::string>& cycle,
                                        std::size_t wordCount) {
    std::vector<std::string> texts{"tolvex-legacy", keyword};
    for (std::size_t i = 0; i < wordCount; ++i) {
        texts.push_back(cycle[i % cycle.size()]);
    }
    return texts;
}

// One full translation; false when any step refused the words.
bool Translate(int count, const char* const* arguments, std::string& line) {
    const Parameters parameters(count, arguments);
    const std::optional<std::string> translated =
        TranslateLegacyCommandLine(parameters, TranslationContext{std::cout, "C:"});
    if (!translated) {
        return false;
    }
    line = *translated;
    return true;
}

void RunTranslation(benchmark::State& state, const std::string& keyword, const std::vector<std::string>& cycle) {
    const auto wordCount = static_cast<std::size_t>(state.range(0));
    const std::vector<std::string> texts = BuildArguments(keyword, cycle, wordCount);
    std::vector<const char*> arguments;
    arguments.reserve(texts.size());
    for (const std::string& text : texts) {
        arguments.push_back(text.c_str());
    }
    const int count = static_cast<int>(arguments.size());

    const CoutToNull console;
    std::string line;
    if (!Translate(count, arguments.data(), line)) {
        state.SkipWithError("the option words were refused");
        return;
    }
    for (auto _ : state) {
        benchmark::DoNotOptimize(Translate(count, arguments.data(), line));
        benchmark::DoNotOptimize(line.data());
    }
    state.counters["words"] = static_cast<double>(wordCount);
    // Seconds per word of CPU time, printed with an SI prefix (for instance "250ns").
    state.counters["per_word"] = benchmark::Counter(
        static_cast<double>(wordCount), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void AcquireTranslation(benchmark::State& state) {
    RunTranslation(state, "acquire", kAcquireCycle);
}

void UpdateTranslation(benchmark::State& state) {
    RunTranslation(state, "update", kUpdateCycle);
}

void HiveBayTranslation(benchmark::State& state) {
    RunTranslation(state, "hb", kHiveBayCycle);
}

void WordCounts(benchmark::internal::Benchmark* benchmark) {
    for (const int words : {2, 49, 1000, 16000}) {
        benchmark->Arg(words);
    }
}

}  // namespace

BENCHMARK(AcquireTranslation)->Apply(WordCounts);
BENCHMARK(UpdateTranslation)->Apply(WordCounts);
BENCHMARK(HiveBayTranslation)->Apply(WordCounts);

BENCHMARK_MAIN();
