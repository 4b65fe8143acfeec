// Where the program runs on a desktop: the home folder, the child's own folder (where the pages are coloured and kept) with the lock that lets one
// program at a time write there, and the shipped pages and tune it is filled from. The program
// itself only ever sees its current folder.
//
// Plain POSIX, shared by the SDL process entry and tintwell-pages.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "host/posix/files.h"

namespace tw::posix {

// The user's home folder: $HOME when it is an absolute path, else the one the user database
// gives. Empty when there is none.
std::string HomeFolder();

// The child's folder: --pages, else $TINTWELL_PAGES, else Pages in the [Tintwell] section of the
// settings file (the user's $XDG_CONFIG_HOME/tintwell/tintwell.ini, else the machine's
// /etc/xdg/tintwell/tintwell.ini), else $XDG_DATA_HOME/tintwell (an absolute XDG_DATA_HOME only),
// else ~/.local/share/tintwell. Empty when there is no home to put it in.
std::string ChildFolder(const std::string& fromCommandLine);

// The shipped pages and tune for the program at exePath: share/tintwell of the installation the
// program belongs to, or the copy the build puts beside a program that is not installed. Empty
// when neither is there.
std::string ShippedFolder(const std::string& exePath);

// One program at a time writes into a child's folder: Tintwell while it runs, tintwell-pages
// while it replaces a page. An exclusive advisory lock (flock) on the file .tintwell.lock in the
// folder itself, so that it holds whatever runtime folder, display or login each program has,
// and on the file systems a child's folder may be on (FAT, exFAT and FUSE included). Held until
// the object goes (or the process ends).
class ChildFolderLock {
public:
    bool Held() const { return fd_.Valid(); }
    // Another program holds it.
    bool InUse() const { return inUse_; }
    // The folder's identity (device and inode), the same however its path is spelled.
    const std::string& Identity() const { return identity_; }

private:
    friend std::string PrepareChildFolder(const std::string&, const std::string&, ChildFolderLock*);
    Fd fd_;
    bool inUse_ = false;
    std::string identity_;
};

// Makes `folder` (and its parents) when it is missing and makes sure it can be written; takes
// `lock` on it, when one is given, before anything in it is read; then copies into it every
// shipped file it does not hold. A file already there, the child's coloured page, is never
// replaced; a copy appears whole or not at all. Returns an empty string, or a message saying
// what went wrong (lock->InUse() tells when another program has the folder).
std::string PrepareChildFolder(const std::string& folder, const std::string& shipped, ChildFolderLock* lock = nullptr);

// Keeps `bytes`, the page `name` of the folder `dirfd` that is being replaced, in the folder's
// replaced/ as "dogwood.20261208-143000.TWP" ("-2" and on before the extension when the name is
// taken): never over a page kept before, in a folder never reached through a link. 0 or an
// errno; `kept` is then the name it has in replaced/.
int KeepReplacedPage(int dirfd, const std::string& name, std::string_view bytes, std::string& kept);

// Fresh pages (FreshPages=on): every coloured page of the folder is put aside in replaced/, as
// KeepReplacedPage keeps it, and a clean one takes its place: the shipped copy, or for a page
// tintwell-pages made from a picture, that page without its colouring. Pages not coloured, and
// files that are not pages, stay as they are. Each page appears whole or not at all. Returns an
// empty string, or a message saying what went wrong.
std::string FreshenPages(const std::string& folder, const std::string& shipped);

}  // namespace tw::posix
