// A quick look at an archive file before anything is loaded from it: whether it can serve as
// "data.rar" at all, so that a missing or broken file gives one clear message instead of one
// failed load per member.
#pragma once

namespace qm {

enum class ArchiveProbe {
    READABLE,         // opens, has a RAR marker, and the block walk lists members that fit the file
    MISSING,          // no such file
    CANNOT_OPEN,      // there, but not readable (permissions, a folder, an I/O error)
    NOT_AN_ARCHIVE,   // no RAR marker at its start
    DAMAGED,          // the walk breaks, finds no member, or the members run past the file's end
};

// osError receives the system's error number for CANNOT_OPEN (0 otherwise); it may be null.
ArchiveProbe probeArchive(const char* path, int* osError);

} // namespace qm
