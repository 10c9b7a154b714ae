// What a save that never finished leaves beside a document file, and how it is found again.
//
// A save writes a hidden temporary file ".NAME.tessel-XXXXXX" beside the file and renames it
// over the file; until the rename the file itself is untouched, so a temporary file whose
// writer is gone is only litter. A file with several names is written in place instead, after
// its old content is copied to ".NAME.tessel-backup-XXXXXX": while that copy exists the file
// may be half old, half new, and the copy is the only whole version of it.
//
// A writer holds an exclusive flock on its hidden file for as long as the file is in use, so
// another process tells a live save from a dead one without guessing from names or times.
#pragma once

#include <string>
#include <vector>

namespace tessel {

// The hidden files of saves into target: the temporary files start with this prefix, the
// backups with the prefix followed by "backup-".
std::string save_leftover_prefix(const std::string& target);
constexpr const char* kBackupMark = "backup-";

// Where saving path writes: path itself, or the end of its chain of symbolic links.
std::string save_target(const std::string& path);

struct SaveLeftovers {
    // Copies of the old content of a file whose in-place save was cut off, newest first.
    std::vector<std::string> backups;
    // Temporary files of finished processes that were removed.
    int removed_temporaries = 0;
};

// Looks beside path for the hidden files of saves whose writer is gone: removes their
// temporary files (the file was never replaced by them) and lists their backups. Files that
// a running save holds are left alone, and so are files younger than a few seconds, which a
// save may have created without having locked them yet.
SaveLeftovers sweep_save_leftovers(const std::string& path);

// Puts the backup's content back into path's file in place (every name of it sees it), flushes
// it to disk and removes the backup. False with *error set when it cannot; the backup stays.
bool restore_save_backup(const std::string& path, const std::string& backup, std::string* error);

// Copies everything of the open file from into to, both from their starts (to is not cut);
// false with errno set. Saves copy a file's old content aside with it, and restores put it back.
bool copy_file_contents(int from, int to);

// Removes a backup the user chose not to restore.
void discard_save_backup(const std::string& backup);

}  // namespace tessel
