// Fuzz target: the input's first byte picks an encoding, the second seeds the block cuts, the
// rest is converted both ways. Converting in random blocks, carrying what each call leaves,
// must give what one call over everything gives; UTF-16 units and code-page bytes (undefined
// ones included) must come back from a decode and encode unchanged. Text that the loss check
// passes for a Unicode encoding must encode to bytes glibc's iconv takes as that encoding.
#include <iconv.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "encoding/codecs.h"
#include "encoding/encoding.h"
#include "foundation/arena.h"
#include "text/text_store.h"

namespace tessel {
namespace {

[[noreturn]] void fail(const char* what, EncodingId id, size_t a = 0, size_t b = 0) {
    std::fprintf(stderr, "codecs: %s for encoding %d (%zu, %zu)\n", what, id, a, b);
    std::fflush(stderr);
    std::abort();
}

std::string one_shot(Codec& codec, bool encode, std::string_view input, EncodingId id) {
    std::string_view out;
    size_t used = encode ? codec.encode(nullptr, input.data(), input.size(), &out, true)
                         : codec.decode(nullptr, input.data(), input.size(), &out, true);
    if (used != input.size()) fail("last call left bytes", id, used, input.size());
    return std::string(out);
}

// Blocks of 1 to 64 bytes from a small generator, output in an arena as a load does.
std::string in_blocks(Codec& codec, bool encode, std::string_view input, uint32_t seed,
                      EncodingId id) {
    std::string result, pending;
    LargeArena arena;
    size_t at = 0;
    for (;;) {
        seed = seed * 1103515245u + 12345u;
        size_t n = std::min<size_t>(1 + (seed >> 16) % 64, input.size() - at);
        pending.append(input.substr(at, n));
        at += n;
        const bool last = at == input.size();
        std::string_view out;
        size_t used = encode ? codec.encode(&arena, pending.data(), pending.size(), &out, last)
                             : codec.decode(&arena, pending.data(), pending.size(), &out, last);
        if (used > pending.size()) fail("consumed more than given", id, used, pending.size());
        // What stays is at most one incomplete character.
        if (pending.size() - used > 3) fail("left too much", id, used, pending.size());
        result.append(out);
        pending.erase(0, used);
        if (last) break;
    }
    if (!pending.empty()) fail("last block left bytes", id, pending.size());
    return result;
}

// Whether glibc converts all of bytes from encoding `from`.
bool iconv_takes(const char* from, std::string_view bytes) {
    iconv_t cd = iconv_open("UTF-32LE", from);
    if (cd == reinterpret_cast<iconv_t>(-1)) return true;
    char* in = const_cast<char*>(bytes.data());
    size_t in_left = bytes.size();
    std::string out(bytes.size() * 4 + 4, '\0');
    char* o = out.data();
    size_t out_left = out.size();
    const bool ok = iconv(cd, &in, &in_left, &o, &out_left) != static_cast<size_t>(-1);
    iconv_close(cd);
    return ok;
}

// The input as the text of a document: no loss reported means valid output.
void check_loss_or_valid(std::string_view text) {
    TextStore store;
    if (!store.set_text(text)) return;
    // Read from UTF-16, the text's stray bytes are no UTF-8: without loss the text is valid.
    if (find_unencodable(kEncodingUtf8, store, kEncodingUtf16Le).count == 0 &&
        !iconv_takes("UTF-8", text))
        fail("UTF-8 passed as lossless but is not valid", kEncodingUtf8);
    for (EncodingId id : {kEncodingUtf16Le, kEncodingUtf16Be}) {
        if (find_unencodable(id, store, kEncodingUtf8).count != 0) continue;
        auto codec = make_codec(id);
        const std::string bytes = one_shot(*codec, true, text, id);
        if (!iconv_takes(id == kEncodingUtf16Le ? "UTF-16LE" : "UTF-16BE", bytes))
            fail("UTF-16 written without loss is not valid", id);
    }
}

}  // namespace
}  // namespace tessel

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace tessel;
    if (size < 2) return 0;
    const EncodingId id = data[0] % (kEncodingCount + 1) - 1;  // -1 to 30
    const uint32_t seed = data[1];
    const std::string_view input(reinterpret_cast<const char*>(data + 2), size - 2);
    auto codec = make_codec(id);
    if (!codec) fail("no codec", id);

    const std::string decoded = one_shot(*codec, false, input, id);
    if (in_blocks(*codec, false, input, seed, id) != decoded) fail("decode blocks differ", id);
    const std::string encoded = one_shot(*codec, true, input, id);
    if (in_blocks(*codec, true, input, seed, id) != encoded) fail("encode blocks differ", id);

    // What a decode and an encode promise to give back.
    std::string expected(input);
    if (id >= kEncodingUtf16Le && id <= kEncodingUtf16BeBom) {
        expected.resize(input.size() & ~size_t{1});  // an odd final byte becomes U+FFFD
    }
    // Code pages give every byte back: an undefined byte is read as a stray byte of the text
    // and written back as itself.
    std::string decoded_whole = decoded;
    if (expected.size() != input.size()) decoded_whole.resize(decoded.size() - 3);
    if (one_shot(*codec, true, decoded_whole, id) != expected) fail("round trip differs", id);
    check_loss_or_valid(input);
    return 0;
}
