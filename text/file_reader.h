// FileReader: reads a document file block by block and converts it to UTF-8, detecting the
// encoding from the first block.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "text/encoding.h"

namespace tessel {

class Arena;

class FileReader {
public:
    static constexpr size_t kBlockSize = 1'000'000;

    // encoding: the requested encoding on entry (-1 to detect); the first block replaces it
    // with the encoding the file is read with.
    FileReader(std::string path, EncodingId* encoding);
    ~FileReader();
    FileReader(const FileReader&) = delete;
    FileReader& operator=(const FileReader&) = delete;

    // Opens the file; false with error() set when it cannot be opened.
    bool open();
    // Reads up to block bytes more and sets *utf8 to their text (in arena), a carried
    // incomplete character from the block before included. Returns false when the file is at
    // its end (nothing more to append) or on a read error (error() set).
    bool read(size_t block, Arena& arena, std::string_view* utf8);

    const std::string& error() const { return error_; }
    int64_t file_size() const { return file_size_; }
    int64_t bytes_read() const { return bytes_read_; }

private:
    void fail(const char* what, int code);

    std::string path_;
    std::string error_;
    EncodingId* encoding_;
    int fd_ = -1;
    int64_t file_size_ = 0;
    int64_t bytes_read_ = 0;
    bool first_ = true;
    bool at_end_ = false;
    std::unique_ptr<Codec> codec_;
    std::vector<char> buffer_;  // the carry, then the block read after it
    size_t carry_ = 0;
};

}  // namespace tessel
