// codec_bench: UTF-16 and single-byte decoding and encoding of ~100 MB of generated text in
// blocks of 1 000 000 bytes, beside glibc iconv on the same bytes in the same run.
// Usage: codec_bench [--size MB] [--seed N]
#include <iconv.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "bench/bench_support.h"
#include "encoding/codecs.h"
#include "encoding/encoding.h"
#include "foundation/arena.h"

namespace tessel {
namespace {

using bench::Clock;
using bench::seconds_since;
constexpr size_t kBlock = 1'000'000;

// Markup around words of one or more scripts, with numbers and the odd emoji: the kind of
// document that is loaded in a legacy or UTF-16 encoding.
std::string make_text(size_t bytes, uint32_t seed, const std::vector<std::string>& words) {
    std::mt19937 rng(seed);
    std::string text;
    text.reserve(bytes + 256);
    text += "<?xml version=\"1.0\"?>\n<records>\n";
    while (text.size() < bytes) {
        text += "  <record id=\"" + std::to_string(rng() % 100000) + "\" lang=\"xx\">";
        int n = 3 + static_cast<int>(rng() % 12);
        for (int i = 0; i < n; ++i) {
            if (i) text += ' ';
            text += words[rng() % words.size()];
        }
        text += "</record>\n";
    }
    text += "</records>\n";
    return text;
}

const std::vector<std::string> kWestern = {
    "the",     "and",       "of",      "document", "value",  "über",   "straße",
    "Größe",   "café",      "naïve",   "élève",    "garçon", "señor",  "año",
    "coração", "façade",    "€",       "déjà",     "œuvre",  "Ærø",    "sample",
    "record",  "attribute", "«quote»", "—",        "façon",  "Zürich", "smörgåsbord"};
const std::vector<std::string> kRussian = {"и",        "в",      "не",        "на",     "документ",
                                           "значение", "Привет", "мир",       "строка", "запись",
                                           "атрибут",  "текст",  "кодировка", "Москва", "ёлка",
                                           "съезд",    "data",   "42",        "item",   "°C"};
const std::vector<std::string> kMixed = {
    "the",   "value",    "über",     "Größe",      "café",   "Привет", "мир",
    "κόσμε", "Καλημέρα", "中文",     "文字コード", "한국어", "שלום",   "مرحبا",
    "😀",     "𝔘𝔫𝔦",      "record",   "attribute",  "data",   "42",     "item",
    "naïve", "straße",   "ελληνικά", "кодировка"};

std::string iconv_all(const char* from, const char* to, const std::string& in) {
    iconv_t cd = iconv_open(to, from);
    std::string out(in.size() * 4 + 16, '\0');
    char* src = const_cast<char*>(in.data());
    size_t src_left = in.size();
    char* dst = out.data();
    size_t dst_left = out.size();
    if (cd == reinterpret_cast<iconv_t>(-1) ||
        iconv(cd, &src, &src_left, &dst, &dst_left) == static_cast<size_t>(-1)) {
        std::fprintf(stderr, "codec_bench: iconv %s to %s failed\n", from, to);
        std::exit(1);
    }
    iconv_close(cd);
    out.resize(out.size() - dst_left);
    return out;
}

// One pass of ours over the input in blocks, each block starting where the previous call
// stopped. Warm: the codec's own buffer, reused. Cold: a fresh arena per block, so the output
// lands on memory never touched before. Returns the output bytes.
size_t run_ours(Codec& codec, bool encode, const std::string& in, bool cold) {
    size_t total = 0;
    size_t at = 0;
    while (at < in.size()) {
        size_t n = std::min(kBlock, in.size() - at);
        bool last = at + n == in.size();
        std::string_view out;
        std::unique_ptr<HugeArena> arena(cold ? new HugeArena : nullptr);
        size_t used = encode ? codec.encode(arena.get(), in.data() + at, n, &out, last)
                             : codec.decode(arena.get(), in.data() + at, n, &out, last);
        at += used;
        total += out.size();
    }
    return total;
}

size_t run_iconv(const char* from, const char* to, const std::string& in) {
    iconv_t cd = iconv_open(to, from);
    std::vector<char> buffer(kBlock * 4 + 16);
    char* src = const_cast<char*>(in.data());
    size_t left = in.size();
    size_t total = 0;
    while (left) {
        size_t n = std::min(kBlock, left);
        size_t block_left = n;
        char* dst = buffer.data();
        size_t dst_left = buffer.size();
        iconv(cd, &src, &block_left, &dst, &dst_left);  // an incomplete end stays in front
        left -= n - block_left;
        total += buffer.size() - dst_left;
        if (block_left == n) break;  // nothing converted: invalid input, stop
    }
    iconv_close(cd);
    return total;
}

// Best of three passes, in MB of input per second.
template <typename F>
double rate(size_t bytes, F&& pass, size_t* out_bytes) {
    double best = 1e30;
    for (int i = 0; i < 3; ++i) {
        auto t0 = Clock::now();
        *out_bytes = pass();
        best = std::min(best, seconds_since(t0));
    }
    return bytes / 1e6 / best;
}

void compare(const char* what, EncodingId id, const char* glibc, bool encode,
             const std::string& input) {
    auto codec = make_codec(id);
    const char* from = encode ? "UTF-8" : glibc;
    const char* to = encode ? glibc : "UTF-8";
    size_t ours_bytes = 0, cold_bytes = 0, theirs_bytes = 0;
    double warm = rate(
        input.size(), [&] { return run_ours(*codec, encode, input, false); }, &ours_bytes);
    double cold = rate(
        input.size(), [&] { return run_ours(*codec, encode, input, true); }, &cold_bytes);
    double theirs = rate(
        input.size(), [&] { return run_iconv(from, to, input); }, &theirs_bytes);
    std::printf(
        "%-8s %-14s %8.0f MB/s warm %8.0f MB/s cold   iconv %7.0f MB/s   ratio %5.2f "
        "warm %5.2f cold%s\n",
        encode ? "encode" : "decode", what, warm, cold, theirs, warm / theirs, cold / theirs,
        ours_bytes == theirs_bytes ? "" : "   (OUTPUT SIZES DIFFER)");
}

}  // namespace
}  // namespace tessel

int main(int argc, char** argv) {
    using namespace tessel;
    double megabytes = 100;
    uint64_t seed = 1;
    if (!bench::parse_size_and_seed(argc, argv, "codec_bench", &megabytes, &seed)) return 2;
    const auto bytes = static_cast<size_t>(megabytes * 1e6);
    std::printf("codec_bench: %g MB of generated text per case, blocks of %zu bytes, best of 3\n",
                megabytes, kBlock);
    const std::string mixed = make_text(bytes, seed, kMixed);
    const std::string western = make_text(bytes, seed, kWestern);
    const std::string russian = make_text(bytes, seed, kRussian);
    const std::string le = iconv_all("UTF-8", "UTF-16LE", mixed);
    const std::string be = iconv_all("UTF-8", "UTF-16BE", mixed);
    const std::string cp1252 = iconv_all("UTF-8", "WINDOWS-1252", western);
    const std::string koi8r = iconv_all("UTF-8", "KOI8-R", russian);

    compare("utf-16le", kEncodingUtf16Le, "UTF-16LE", false, le);
    compare("utf-16be", kEncodingUtf16Be, "UTF-16BE", false, be);
    compare("windows-1252", 7, "WINDOWS-1252", false, cp1252);
    compare("koi8-r", 18, "KOI8-R", false, koi8r);
    compare("utf-16le", kEncodingUtf16Le, "UTF-16LE", true, mixed);
    compare("utf-16be", kEncodingUtf16Be, "UTF-16BE", true, mixed);
    compare("windows-1252", 7, "WINDOWS-1252", true, western);
    compare("koi8-r", 18, "KOI8-R", true, russian);
    return 0;
}
