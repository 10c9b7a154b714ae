// make_document: builds the catalogue record by record from a small deterministic generator.
#include "bench/make_document.h"

#include <array>
#include <cstdio>
#include <random>
#include <string_view>

namespace tessel::bench {

namespace {

// xorshift64*: fast, and the same sequence on every platform.
class Random {
public:
    explicit Random(uint64_t seed) : state_(seed * 0x9E3779B97F4A7C15ULL + 0x2545F4914F6CDD1DULL) {
        if (state_ == 0) state_ = 1;
    }
    uint64_t next() {
        state_ ^= state_ >> 12;
        state_ ^= state_ << 25;
        state_ ^= state_ >> 27;
        return state_ * 0x2545F4914F6CDD1DULL;
    }
    uint32_t below(uint32_t n) { return static_cast<uint32_t>((next() >> 32) % n); }
    bool chance(uint32_t percent) { return below(100) < percent; }
    template <size_t N>
    std::string_view pick(const std::array<std::string_view, N>& list) {
        return list[below(N)];
    }

private:
    uint64_t state_;
};

constexpr std::array<std::string_view, 40> kWords = {
    "the", "of", "and", "a", "to", "in", "is", "for", "on", "with", "as", "by", "at", "from",
    "record", "archive", "edition", "volume", "index", "catalogue", "entry", "source", "copy",
    "binding", "paper", "print", "letter", "map", "survey", "river", "harbour", "station",
    "market", "council", "minutes", "ledger", "receipt", "journey", "garden", "winter"};
// Multi-byte words: Latin with diacritics, Greek, Cyrillic, CJK, and a currency sign.
constexpr std::array<std::string_view, 12> kForeignWords = {
    "Größe", "café", "naïve", "Ελλάδα", "Москва", "東京", "Zürich", "São", "€12", "Ødegaard",
    "Ärger", "mañana"};
constexpr std::array<std::string_view, 6> kKinds = {"book", "map", "letter", "photograph",
                                                    "ledger", "recording"};
constexpr std::array<std::string_view, 4> kStatus = {"active", "withdrawn", "on-loan", "lost"};
constexpr std::array<std::string_view, 6> kLanguages = {"en", "de", "fr", "el", "ru", "ja"};
constexpr std::array<std::string_view, 12> kNames = {
    "Ada Lovelace", "Jean Dupont", "Ólafur Þórsson", "Maria Sánchez", "Li Wei", "Hans Müller",
    "Νίκος Παππάς", "Иван Петров", "Grace Hopper", "Emma Brontë", "Kenji Sato", "Ana Lúcia"};

void put_number(std::string& out, uint64_t n, int width = 0) {
    char digits[24];
    int k = 0;
    do {
        digits[k++] = static_cast<char>('0' + n % 10);
        n /= 10;
    } while (n);
    for (int i = k; i < width; ++i) out += '0';
    while (k) out += digits[--k];
}

// A sentence of roughly `length` bytes, with the odd non-ASCII word and entity reference.
void put_sentence(std::string& out, Random& random, size_t length) {
    const size_t start = out.size();
    bool first = true;
    while (out.size() - start < length) {
        if (!first) out += ' ';
        first = false;
        if (random.chance(6))
            out += random.pick(kForeignWords);
        else if (random.chance(2))
            out += "&amp;";
        else
            out += random.pick(kWords);
    }
    out += '.';
}

// Base64-like bytes on one line: the very long lines some data files carry.
void put_blob(std::string& out, Random& random, size_t length) {
    static constexpr std::string_view kAlphabet =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    for (size_t i = 0; i < length; ++i) out += kAlphabet[random.below(64)];
}

void put_record(std::string& out, Random& random, uint64_t id) {
    out += "  <record id=\"r";
    put_number(out, id, 7);
    out += "\" kind=\"";
    out += random.pick(kKinds);
    out += "\" status=\"";
    out += random.pick(kStatus);
    out += "\" price=\"";
    put_number(out, random.below(500));
    out += '.';
    put_number(out, random.below(100), 2);
    out += "\">\n    <title lang=\"";
    out += random.pick(kLanguages);
    out += "\">";
    put_sentence(out, random, 24 + random.below(60));
    out += "</title>\n    <author role=\"";
    out += random.chance(80) ? "writer" : "editor";
    out += "\"><name>";
    out += random.pick(kNames);
    out += "</name><born>";
    put_number(out, 1800 + random.below(200));
    out += '-';
    put_number(out, 1 + random.below(12), 2);
    out += '-';
    put_number(out, 1 + random.below(28), 2);
    out += "</born></author>\n    <tags>";
    for (uint32_t i = 0, n = 2 + random.below(5); i < n; ++i) {
        out += "<tag>";
        out += random.pick(kWords);
        out += "</tag>";
    }
    out += "</tags>\n    <description>";
    for (uint32_t i = 0, n = 1 + random.below(5); i < n; ++i) {
        if (i) out += "\n      ";
        put_sentence(out, random, 34 + random.below(80));
    }
    out += "</description>\n";
    if (random.chance(10)) {
        out += "    <!-- checked ";
        put_sentence(out, random, 20);
        out += " -->\n";
    }
    if (random.chance(5)) {
        out += "    <note><![CDATA[a < b && c > d: ";
        put_sentence(out, random, 30);
        out += "]]></note>\n";
    }
    // One record in a few thousand carries a line of 10 to 60 KB.
    if (random.below(4000) == 0) {
        out += "    <scan encoding=\"base64\">";
        put_blob(out, random, 10'000 + random.below(50'000));
        out += "</scan>\n";
    }
    out += "  </record>\n";
}

struct JsonRandom {
    uint64_t state;
    uint64_t next() {
        state += 0x9E3779B97F4A7C15ull;
        uint64_t z = state;
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    int below(int n) { return static_cast<int>(next() % static_cast<uint64_t>(n)); }
};

const char* const kJsonWords[] = {"alpha",     "Straße",         "river",        "node",
                              "grün",      "delta",          "東京",         "value",
                              "orbit",     "sample",         "échelle",      "quartz",
                              "tab\\tbed", "say \\\"hi\\\"", "line\\nbreak", "\\u00e9t\\u00e9"};

void json_words(std::string& out, JsonRandom& r, int n) {
    for (int i = 0; i < n; ++i) {
        if (i) out += ' ';
        out += kJsonWords[r.below(static_cast<int>(std::size(kJsonWords)))];
    }
}

}  // namespace

std::string make_document(int64_t bytes, uint64_t seed) {
    Random random(seed);
    std::string out;
    out.reserve(static_cast<size_t>(bytes > 0 ? bytes : 0) + 70'000);
    out += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<catalogue seed=\"";
    put_number(out, seed);
    out += "\" xmlns:dc=\"http://purl.org/dc/elements/1.1/\">\n";
    static constexpr std::string_view kEnd = "</catalogue>\n";
    uint64_t id = 1;
    while (static_cast<int64_t>(out.size() + kEnd.size()) < bytes) put_record(out, random, id++);
    out += kEnd;
    return out;
}

std::string make_item_catalog(int rows) {
    std::mt19937 rng(7);
    std::string out = "<catalog>\n";
    out.reserve(static_cast<size_t>(rows) * 110);
    for (int i = 0; i < rows; ++i) {
        char line[256];
        unsigned r = rng();
        std::snprintf(line, sizeof line,
                      "<item id=\"%d\" name=\"item%u\" price=\"%u.%02u\"><title>Part %u</title>"
                      "<qty>%u</qty>%s</item>\n",
                      i, r % 100000, r % 5000, (r >> 8) % 100, r % 997, (r >> 12) % 50,
                      (r % 7 == 0) ? "<note>check</note>" : "");
        out += line;
    }
    out += "</catalog>\n";
    return out;
}

// A pretty-printed array of records, as data exports and API dumps look: ids, names and
// texts, integers and decimals, booleans and nulls, tag arrays and nested objects.
std::string make_json_records(int64_t bytes, uint64_t seed) {
    JsonRandom r{seed};
    std::string out = "[\n";
    out.reserve(static_cast<size_t>(bytes) + 4096);
    for (int64_t id = 1; static_cast<int64_t>(out.size()) < bytes; ++id) {
        if (id > 1) out += ",\n";
        out += "  {\n    \"id\": " + std::to_string(id) + ",\n    \"name\": \"";
        json_words(out, r, 2);
        out += "\",\n    \"active\": ";
        out += r.below(2) ? "true" : "false";
        out += ",\n    \"score\": " + std::to_string(r.below(100000) - 50000) + "." +
               std::to_string(r.below(1000)) +
               ",\n    \"ratio\": " + std::to_string(r.below(1000)) + "e-" +
               std::to_string(r.below(9)) + ",\n    \"parent\": ";
        out += r.below(3) ? std::to_string(r.below(1000000)) : "null";
        out += ",\n    \"tags\": [";
        for (int i = 0, n = r.below(5); i < n; ++i) {
            out += i ? ", \"" : "\"";
            json_words(out, r, 1);
            out += '"';
        }
        out += "],\n    \"location\": {\"lat\": " + std::to_string(r.below(180) - 90) + "." +
               std::to_string(r.below(1000000)) +
               ", \"lon\": " + std::to_string(r.below(360) - 180) + "." +
               std::to_string(r.below(1000000)) + "},\n    \"text\": \"";
        json_words(out, r, 4 + r.below(12));
        out += "\"\n  }";
    }
    out += "\n]\n";
    return out;
}


}  // namespace tessel::bench
