// The control-name table and the hexadecimal labels of undecodable bytes.
#include "editor/control_names.h"

#include <array>

#include "text/utf8_reader.h"

namespace tessel {

namespace {

constexpr std::array<std::string_view, 32> kC0Names = {
    "NUL", "SOH", "STX", "ETX", "EOT", "ENQ", "ACK", "BEL", "BS", "HT", "LF",
    "VT",  "FF",  "CR",  "SO",  "SI",  "DLE", "DC1", "DC2", "DC3", "DC4", "NAK",
    "SYN", "ETB", "CAN", "EM",  "SUB", "ESC", "FS",  "GS",  "RS",  "US"};

// U+0080 to U+009D; U+009E and U+009F have no name here and show as "?".
constexpr std::array<std::string_view, 30> kC1Names = {
    "PAD", "HOP", "BPH", "NBH", "IND", "NEL", "SSA", "ESA", "HTS", "HTJ",
    "VTS", "PLD", "PLU", "RI",  "SS2", "SS3", "DCS", "PU1", "PU2", "STS",
    "CCH", "MW",  "SPA", "EPA", "SOS", "SGCI", "SCI", "CSI", "ST", "OSC"};

// All 256 labels side by side, so a label is a view into static text.
constexpr std::array<char, 512> make_hex_labels() {
    constexpr char kDigits[] = "0123456789ABCDEF";
    std::array<char, 512> out{};
    for (int i = 0; i < 256; ++i) {
        out[static_cast<size_t>(2 * i)] = kDigits[i >> 4];
        out[static_cast<size_t>(2 * i + 1)] = kDigits[i & 15];
    }
    return out;
}
constexpr std::array<char, 512> kHexLabels = make_hex_labels();

}  // namespace

std::string_view control_name(uint32_t code_point) {
    if (code_point < kC0Names.size()) return kC0Names[code_point];
    if (code_point == 0x20) return "SP";
    if (code_point == 0x7F) return "DEL";
    if (code_point >= 0x80 && code_point < 0x80 + kC1Names.size()) return kC1Names[code_point - 0x80];
    return "?";
}

uint32_t control_code_point(std::string_view token) {
    if (token.empty()) return 0;
    const auto* p = reinterpret_cast<const uint8_t*>(token.data());
    if (p[0] < 0x80) return p[0];
    const Utf8Step step = read_utf8(p, token.size());
    return step.kind == Utf8Step::kChar ? step.code : p[0];
}

std::string_view hex_label(unsigned char byte) {
    return std::string_view(kHexLabels.data() + 2 * static_cast<size_t>(byte), 2);
}

}  // namespace tessel
