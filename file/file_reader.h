// FileReader: reads a document file block by block and converts it to UTF-8, detecting the
// encoding from the first block.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "encoding/encoding.h"
#include "encoding/encoding_detection.h"

namespace tessel {

class Arena;

// Where the text of a file goes as it is read, block by block.
class TextSink {
public:
    virtual ~TextSink() = default;
    // Takes one block of UTF-8; false when the text would grow past the most it may hold
    // (the read stops and says so).
    virtual bool take(std::string_view utf8) = 0;
    // After each block taken: progress may be shown, and a job may stop here.
    virtual void block_done(int64_t /*bytes_read*/, int64_t /*file_size*/) {}
};

// A sink that gathers the whole text in one string of at most limit bytes. Blocks fill the
// room the string already has (a regular file's size, reserved by the caller); past it they
// go to chunks of their own, which finish() moves into the string one by one, freeing each as
// it goes. A growing string would copy all of itself at each step and hold old and new at
// once; so reading an endless stream (/dev/zero, a pipe) holds about the limit at most
// before it is refused, and a stream that ends holds its text and one chunk at most.
class StringSink final : public TextSink {
public:
    static constexpr size_t kChunk = size_t{64} << 20;  // mapped apart, so freed at once

    StringSink(std::string& text, int64_t limit) : text_(text), limit_(limit) {}
    bool take(std::string_view utf8) override;
    // After the last block: the whole text is in the string.
    void finish();

private:
    std::string& text_;
    int64_t limit_;
    int64_t size_ = 0;
    std::vector<std::string> chunks_;
};

class FileReader {
public:
    static constexpr size_t kBlockSize = 1'000'000;

    // encoding: the requested encoding on entry (-1 to detect); the first block replaces it
    // with the encoding the file is read with.
    FileReader(std::string path, EncodingId* encoding);
    ~FileReader();
    FileReader(const FileReader&) = delete;
    FileReader& operator=(const FileReader&) = delete;

    // The most bytes of text the reader's caller can hold (TextStore::kMaxLength unless set
    // lower). A file larger than that is refused by open, before anything is read; a text
    // that grows past it in the conversion (a code page's bytes become up to three bytes of
    // UTF-8) is refused by read_into.
    void set_size_limit(int64_t bytes) { size_limit_ = bytes; }
    int64_t size_limit() const { return size_limit_; }

    // Opens the file; false with error() set when it cannot be opened or is too large.
    bool open();
    // Reads up to block bytes more and sets *utf8 to their text (in arena), a carried
    // incomplete character from the block before included. Returns false when the file is at
    // its end (nothing more to append) or on a read error (error() set).
    bool read(size_t block, Arena& arena, std::string_view* utf8);
    // The loop of every load: reads the opened file to its end in blocks of kBlockSize and
    // hands each block's text to sink. False on a read error or when the sink refuses a
    // block (error() set).
    bool read_into(TextSink& sink);

    // "Cannot open file PATH" or "Cannot read from file PATH", a line break and the reason.
    const std::string& error() const { return error_; }
    // The reason alone: the system's text, or what made the file too large.
    const std::string& reason() const { return reason_; }
    int64_t file_size() const { return file_size_; }
    int64_t bytes_read() const { return bytes_read_; }
    // Bytes of the file the text holds only as U+FFFD (Codec::replaced_bytes).
    int64_t replaced_bytes() const { return codec_ ? codec_->replaced_bytes() : 0; }
    // What the first block showed (a mark, zero bytes, a declaration, or nothing), once read.
    DetectedEncoding detected() const { return detected_; }

private:
    void fail(const char* what, int code);
    void fail(const char* what, std::string reason);

    std::string path_;
    std::string error_;
    std::string reason_;
    int64_t size_limit_;
    EncodingId* encoding_;
    int fd_ = -1;
    int64_t file_size_ = 0;
    int64_t bytes_read_ = 0;
    bool first_ = true;
    DetectedEncoding detected_;
    bool at_end_ = false;
    std::unique_ptr<Codec> codec_;
    std::vector<char> buffer_;  // the carry, then the block read after it
    size_t carry_ = 0;
};

}  // namespace tessel
