// Reading document files.
#include "encoding/codecs.h"
#include "file/file_reader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "encoding/encoding_detection.h"
#include "foundation/arena.h"
#include "foundation/number_format.h"
#include "text/text_store.h"

namespace tessel {

namespace {

// The reason a file is refused, naming the limit: for its size (known before reading), or
// for its text (a code page's bytes become up to three bytes of UTF-8).
std::string too_large(int64_t size, int64_t limit) {
    if (size >= 0)
        return "File too large: it has " + with_commas(size) +
               " bytes, and a document holds at most " + with_commas(limit) + " bytes";
    return "File too large: its text in UTF-8 has more than " + with_commas(limit) +
           " bytes, the most a document holds";
}

}  // namespace

FileReader::FileReader(std::string path, EncodingId* encoding)
    : path_(std::move(path)), size_limit_(TextStore::kMaxLength), encoding_(encoding) {}

FileReader::~FileReader() {
    if (fd_ >= 0) ::close(fd_);
}

void FileReader::fail(const char* what, int code) { fail(what, std::strerror(code)); }

void FileReader::fail(const char* what, std::string reason) {
    reason_ = std::move(reason);
    error_ = std::string(what) + path_ + "\n" + reason_;
}

bool FileReader::open() {
    fd_ = ::open(path_.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd_ < 0) {
        fail("Cannot open file ", errno);
        return false;
    }
    struct stat st;
    if (::fstat(fd_, &st) != 0) {
        fail("Cannot open file ", errno);
        return false;
    }
    // A folder opens but cannot be read: say so now rather than at the first read.
    if (S_ISDIR(st.st_mode)) {
        fail("Cannot open file ", EISDIR);
        return false;
    }
    file_size_ = st.st_size;
    // Refused before reading: a file this large would fill memory only to be turned away.
    // Its text in UTF-8 is at least as long, except for UTF-16 (refused too, for one rule).
    if (S_ISREG(st.st_mode) && file_size_ > size_limit_) {
        fail("Cannot open file ", too_large(file_size_, size_limit_));
        return false;
    }
    return true;
}

bool FileReader::read(size_t block, Arena& arena, std::string_view* utf8) {
    *utf8 = {};
    if (fd_ < 0 || at_end_ || !error_.empty()) return false;
    buffer_.resize(carry_ + block);
    size_t got = 0;
    while (got < block) {
        ssize_t n = ::read(fd_, buffer_.data() + carry_ + got, block - got);
        if (n < 0) {
            if (errno == EINTR) continue;
            fail(first_ ? "Cannot open file " : "Cannot read from file ", errno);
            return false;
        }
        if (n == 0) {
            at_end_ = true;
            break;
        }
        got += static_cast<size_t>(n);
    }
    bytes_read_ += static_cast<int64_t>(got);
    size_t skip = 0;
    if (first_) {
        first_ = false;
        detected_ = detect_encoding_why(buffer_.data(), got);
        *encoding_ = resolve_encoding(*encoding_, detected_.id);
        codec_ = make_codec(*encoding_);
        // The mark is skipped because of the encoding chosen, which has one only when the
        // file starts with it.
        skip = std::min(mark_length(*encoding_), got);
    }
    const size_t available = carry_ + got;
    if (available == skip) {
        carry_ = 0;
        return !at_end_;
    }
    const size_t consumed =
        codec_->decode(&arena, buffer_.data() + skip, available - skip, utf8, at_end_);
    carry_ = available - skip - consumed;
    if (carry_) std::memmove(buffer_.data(), buffer_.data() + skip + consumed, carry_);
    return !utf8->empty() || !at_end_;
}

bool StringSink::take(std::string_view utf8) {
    const int64_t need = size_ + static_cast<int64_t>(utf8.size());
    if (need > limit_) return false;
    size_ = need;
    if (chunks_.empty() && static_cast<size_t>(need) <= text_.capacity()) {
        text_.append(utf8);
        return true;
    }
    while (!utf8.empty()) {
        if (chunks_.empty() || chunks_.back().size() == chunks_.back().capacity()) {
            chunks_.emplace_back();
            chunks_.back().reserve(kChunk);
        }
        std::string& chunk = chunks_.back();
        const size_t n = std::min(utf8.size(), chunk.capacity() - chunk.size());
        chunk.append(utf8.substr(0, n));
        utf8.remove_prefix(n);
    }
    return true;
}

void StringSink::finish() {
    if (chunks_.empty()) return;
    std::string whole;
    whole.reserve(static_cast<size_t>(size_));
    whole.append(text_);
    std::string().swap(text_);
    for (std::string& chunk : chunks_) {
        whole.append(chunk);
        std::string().swap(chunk);
    }
    chunks_.clear();
    text_.swap(whole);
}

bool FileReader::read_into(TextSink& sink) {
    LargeArena arena;
    std::string_view text;
    while (read(kBlockSize, arena, &text)) {
        if (!sink.take(text)) {
            fail("Cannot read from file ", too_large(-1, size_limit_));
            return false;
        }
        arena.reset();
        sink.block_done(bytes_read_, file_size_);
    }
    return error_.empty();
}

}  // namespace tessel
