#pragma once

#include <string>

// Temporary files of this process that are not in place yet. Whatever ends
// the process early removes them: an exit (libjpeg ends the process on a
// corrupt heightmap, for instance) or any signal that can be caught and
// would end it (an interrupt, termination, hang-up, broken pipe, quit, a
// crash...), after which the process dies by that same signal, as it would
// have without them. A signal this process was started ignoring stays
// ignored, and one the program already handles stays the program's: it is
// expected to end through exit.
namespace flight {

// Creates a private file from a mkstemp pattern ("...XXXXXX", filled in
// place) and remembers it in the same breath. Returns its descriptor, or -1
// with errno set (ENAMETOOLONG when the path is too long to remember,
// EMFILE when too many are pending).
int createPendingFile(std::string& pattern);
void forgetPendingFile(const std::string& path);

// Renames a pending file to `target` and forgets it, with no moment at which
// a signal could remove the file under its old name or miss it. Unless
// `replace`, fails with EEXIST when something is at `target` (where the file
// system cannot tell, by linking it there). Returns 0, or -1 with errno set.
int renamePendingFile(const std::string& path, const std::string& target, bool replace = true);

} // namespace flight
