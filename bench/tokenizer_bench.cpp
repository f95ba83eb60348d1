// Tokenizer throughput on a 16 MiB text against the runtime's strtok_s (and a
// strpbrk walk that writes nothing) on the same text in the same run.
#include "qtvutils/text.h"

#include "bench_timer.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <random>
#include <string>
#include <vector>

namespace {

const size_t kTextSize = 16u << 20;

// Words of 1 to 10 letters, each followed by one separator from `separators`
// (or, with `runs`, by one to three of them).
std::string MakeText(const char* separators, bool runs) {
    std::mt19937 rng(7);
    std::string text;
    text.reserve(kTextSize + 16);
    size_t nSeparators = strlen(separators);
    while (text.size() < kTextSize) {
        for (int n = 1 + rng() % 10; n > 0; --n) text += static_cast<char>('a' + rng() % 26);
        for (int n = runs ? 1 + rng() % 3 : 1; n > 0; --n) text += separators[rng() % nSeparators];
    }
    return text;
}

// One way of tokenizing: fn(buffer) returns the number of tokens.
using Tokenize = std::function<size_t(char*)>;

struct Result {
    double seconds;  // median over the rounds
    size_t tokens;
};

// Rounds alternate between the ways, so that a change of load on the machine
// (other builds) weighs on all of them alike; each run gets a fresh copy of
// the text (the copy is not timed).
std::vector<Result> Measure(const std::string& text, const std::vector<Tokenize>& ways, int rounds = 9) {
    std::vector<char> buffer(text.size() + 1);
    std::vector<std::vector<double>> samples(ways.size());
    std::vector<Result> results(ways.size());
    for (int r = 0; r < rounds; ++r) {
        for (size_t w = 0; w < ways.size(); ++w) {
            memcpy(buffer.data(), text.c_str(), text.size() + 1);
            double t0 = qtvbench::NowSeconds();
            results[w].tokens = ways[w](buffer.data());
            samples[w].push_back(qtvbench::NowSeconds() - t0);
        }
    }
    for (size_t w = 0; w < ways.size(); ++w) {
        std::sort(samples[w].begin(), samples[w].end());
        results[w].seconds = samples[w][samples[w].size() / 2];
    }
    return results;
}

size_t WithStrtok(char* text, const char* delimiters) {
    size_t n = 0;
    char* context = nullptr;
    for (char* t = strtok_s(text, delimiters, &context); t; t = strtok_s(nullptr, delimiters, &context)) ++n;
    return n;
}

size_t WithStrpbrk(char* text, const char* delimiters) {
    size_t n = 0;
    const char* p = text;
    for (const char* q; (q = strpbrk(p, delimiters)) != nullptr; p = q + 1) n += q > p;
    return n + (*p != '\0');
}

size_t WithTokenizer(char* text, const char* delimiters, const char* skip) {
    size_t n = 0;
    CTokenizer tokenizer(text, skip, nullptr);
    for (;;) {
        const char* token = tokenizer.next(delimiters);
        n += *token != '\0';
        if (tokenizer.m_cDelimiter == 0) break;
    }
    return n;
}

void Compare(const char* what, const std::string& text, const char* delimiters, const char* skip) {
    std::vector<Result> r = Measure(text, {
        [&](char* t) { return WithTokenizer(t, delimiters, skip); },
        [&](char* t) { return WithStrtok(t, delimiters); },
        [&](char* t) { return WithStrpbrk(t, delimiters); },
    });
    const double mib = static_cast<double>(text.size()) / (1 << 20);
    printf("%s (%zu tokens)\n", what, r[0].tokens);
    if (r[1].tokens != r[0].tokens || r[2].tokens != r[0].tokens)
        printf("  TOKEN COUNTS DIFFER: CTokenizer %zu, strtok_s %zu, strpbrk %zu\n", r[0].tokens, r[1].tokens,
               r[2].tokens);
    printf("  CTokenizer::next %8.1f MiB/s\n", mib / r[0].seconds);
    printf("  strtok_s         %8.1f MiB/s   throughput ratio %.2f (target >= 0.8)\n", mib / r[1].seconds,
           r[1].seconds / r[0].seconds);
    printf("  strpbrk walk     %8.1f MiB/s   throughput ratio %.2f (no target: writes nothing)\n",
           mib / r[2].seconds, r[2].seconds / r[0].seconds);
    fflush(stdout);
}

}  // namespace

int main() {
    Compare("single blanks, delimiter \" \"", MakeText(" ", false), " ", nullptr);
    Compare("single separators, delimiters \" ,;\\t\"", MakeText(" ,;\t", false), " ,;\t", nullptr);
    // strtok_s takes a run of delimiters as one separator; the tokenizer does
    // so for delimiters that are skip characters too.
    Compare("blank runs, delimiter and skip set \" \"", MakeText(" ", true), " ", " ");
    return 0;
}
