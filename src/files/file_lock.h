#pragma once

// Open file description locks (fcntl F_OFD_SETLK): the kernel keeps such a
// lock as long as the descriptor that took it is open, and drops it when the
// holder closes it or dies, however it dies. So whether a copy of the
// program is alive is never guessed from process ids, host names or ages.
// The locks work on local disks and on NFS; they conflict between any two
// open descriptions of a file, also within one process.
namespace FileLock {

// Tries once for a write lock on the whole file (fd open for writing).
// Returns 0 when it is held, EAGAIN while another holds a lock on the file,
// or the errno of a failure.
int tryWriteLock(int fd);

// Whether the errno of a lock call means the file system has no such locks:
// only then may a caller fall back to another way of locking.
bool unsupported(int errnum);

// Whether another open description holds a write lock on the file (fd open
// for reading is enough): its holder is running. A file whose locks cannot
// be asked about counts as held, so nothing of another copy is ever taken.
bool isHeldElsewhere(int fd);

} // namespace FileLock
