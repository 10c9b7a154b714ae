// FileWriter: writes a document file block by block in an encoding, safely: the blocks go to
// a temporary file in the same folder, which replaces the file only when all of it is
// written and on disk. A file with several names is written in place instead, after a copy of
// its old content is on disk. A failed save leaves the old file whole. Devices, FIFOs and
// descriptors (/dev/stdout) are written directly.
#pragma once

#include <signal.h>
#include <sys/stat.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "encoding/encoding.h"

namespace tessel {

class Arena;

// Makes SIGINT, SIGTERM and SIGHUP remove the hidden files of the saves under way before the
// program ends as the signal ends it; a signal the program ignores or handles stays so. For
// programs that end on those signals (tessel-cli). A file being written in place holds the
// signals back until it is whole again, old or new.
void remove_temporary_files_on_signals();

// Removes the hidden files of the saves under way now, for a program that is about to end
// without unwinding them; safe in a signal handler or an exit handler.
void remove_pending_temporary_files();

class FileWriter {
public:
    // source: the encoding the text was read in. Unless the encoding writes the text's stray
    // bytes back as they were read (keeps_stray_bytes), they are left out of the file, but for
    // the lone surrogates of UTF-16 saved as UTF-16 (keeps_lone_surrogates).
    FileWriter(std::string path, EncodingId encoding, EncodingId source);
    FileWriter(std::string path, EncodingId encoding)
        : FileWriter(std::move(path), encoding, encoding) {}
    // Without commit the temporary file is removed and the old file stays as it was (a file
    // written in place gets its old content back).
    ~FileWriter();
    FileWriter(const FileWriter&) = delete;
    FileWriter& operator=(const FileWriter&) = delete;

    // Encodes and writes one block of UTF-8 text (the first call also writes the mark);
    // last: no text follows. False with error() set on failure.
    bool write(std::string_view utf8, bool last, Arena& arena);
    // Flushes the file to disk and puts it in place of the old one, keeping the old one's
    // permissions, owner and group where allowed, and extended attributes; a symbolic link is
    // kept and its target replaced, hard links keep sharing the file.
    bool commit();

    const std::string& error() const { return error_; }

private:
    // Opens the temporary file (or the file itself) and writes the mark.
    bool start();
    bool open();
    bool open_links(const struct stat& st);
    // Creates a hidden file beside the target, listed for removal should a signal end the
    // program (*slot); its descriptor, -1 with errno set on failure.
    int make_temporary(std::string* path, int* slot);
    void hold_ending_signals();
    void release_ending_signals();
    bool restore_old_content();
    void sync_folder();
    bool write_all(const char* bytes, size_t count);
    void fail(const char* what, int code);
    void discard();

    std::string path_;    // as the user named it
    std::string target_;  // the file that is replaced: path_, or where its links lead
    std::string temp_;
    std::string backup_;  // a file with several names: its old content, until the new is in
    std::string error_;
    EncodingId encoding_;
    bool drop_strays_;
    bool keep_surrogates_;  // lone surrogates go back into UTF-16 among the dropped strays
    int fd_ = -1;
    bool first_ = true;
    bool direct_ = false;   // writing a device, FIFO or descriptor: no temporary file
    bool links_ = false;    // writing into the file itself, which has several names
    bool touched_ = false;  // bytes went to fd_
    int64_t written_ = 0;
    int64_t old_size_ = 0;
    int temp_slot_ = -1;  // where temp_ and backup_ are listed for removal on a signal
    int backup_slot_ = -1;
    int backup_fd_ = -1;  // open and locked while the backup exists
    bool signals_held_ = false;
    sigset_t old_signal_mask_;
    std::unique_ptr<Codec> codec_;
    std::vector<char> buffer_;  // the carry, then the block after it
    size_t carry_ = 0;
    std::vector<char> kept_;  // a block without its stray bytes
};

}  // namespace tessel
