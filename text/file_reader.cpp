// Reading document files.
#include "text/file_reader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "text/encoding_detection.h"

namespace tessel {

FileReader::FileReader(std::string path, EncodingId* encoding)
    : path_(std::move(path)), encoding_(encoding) {}

FileReader::~FileReader() {
    if (fd_ >= 0) ::close(fd_);
}

void FileReader::fail(const char* what, int code) {
    error_ = std::string(what) + path_ + "\n" + std::strerror(code);
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
        *encoding_ = resolve_encoding(*encoding_, detect_encoding(buffer_.data(), got));
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

}  // namespace tessel
