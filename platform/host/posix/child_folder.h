// Where the program runs on a desktop: the command line of the process entry, the home folder,
// the child's own folder (where the pages are coloured and kept) with the lock that lets one
// program at a time write there, and the shipped pages and tune it is filled from. The program
// itself only ever sees its current folder.
//
// Plain POSIX, shared by the SDL process entry and tintwell-pages.
#pragma once

#include <string>
#include <vector>

#include "host/posix/files.h"

namespace tw::posix {

struct StartOptions {
    std::string pages;   // --pages DIR; empty: the usual folder
    std::string picture; // a picture to make a page of; empty when none
    bool help = false;   // --help: print the usage and leave
    std::string error;   // what was wrong with the command line; empty when nothing
};

StartOptions ParseStartOptions(const std::vector<std::string>& args);
extern const char kUsage[];

// The user's home folder: $HOME when it is an absolute path, else the one the user database
// gives. Empty when there is none.
std::string HomeFolder();

// The child's folder: --pages, else $TINTWELL_PAGES, else $XDG_DATA_HOME/tintwell (an absolute
// XDG_DATA_HOME only), else ~/.local/share/tintwell. Empty when there is no home to put it in.
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

}  // namespace tw::posix
