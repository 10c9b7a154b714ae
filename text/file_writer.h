// FileWriter: writes a document file block by block in an encoding, safely: the blocks go to
// a temporary file in the same folder, which replaces the file only when all of it is
// written and on disk. A failed save leaves the old file whole.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "text/encoding.h"

namespace tessel {

class Arena;

class FileWriter {
public:
    // source: the encoding the text was read in. Unless the encoding writes the text's stray
    // bytes back as they were read (keeps_stray_bytes), they are left out of the file.
    FileWriter(std::string path, EncodingId encoding, EncodingId source);
    FileWriter(std::string path, EncodingId encoding)
        : FileWriter(std::move(path), encoding, encoding) {}
    // Without commit the temporary file is removed and the old file stays as it was.
    ~FileWriter();
    FileWriter(const FileWriter&) = delete;
    FileWriter& operator=(const FileWriter&) = delete;

    // Encodes and writes one block of UTF-8 text (the first call also writes the mark);
    // last: no text follows. False with error() set on failure.
    bool write(std::string_view utf8, bool last, Arena& arena);
    // Flushes the file to disk and puts it in place of the old one, keeping the old one's
    // permissions; a symbolic link is kept and its target replaced.
    bool commit();

    const std::string& error() const { return error_; }

private:
    // Opens the temporary file and writes the mark.
    bool start();
    bool open();
    bool write_all(const char* bytes, size_t count);
    void fail(const char* what, int code);
    void discard();

    std::string path_;    // as the user named it
    std::string target_;  // the file that is replaced: path_, or where its links lead
    std::string temp_;
    std::string error_;
    EncodingId encoding_;
    bool drop_strays_;
    int fd_ = -1;
    bool first_ = true;
    std::unique_ptr<Codec> codec_;
    std::vector<char> buffer_;  // the carry, then the block after it
    size_t carry_ = 0;
    std::vector<char> kept_;  // a block without its stray bytes
};

}  // namespace tessel
