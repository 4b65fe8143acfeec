// Where the program runs on a desktop: the child's own folder (where the pages are coloured and
// kept) and the shipped pages and tune it is filled from. The program itself only ever sees its
// current folder.
#pragma once

#include <string>
#include <vector>

namespace tw::sdl {

// The child's folder: --pages, else $TINTWELL_PAGES, else Pages in the [Tintwell] section of the
// settings file (the user's $XDG_CONFIG_HOME/tintwell/tintwell.ini, else the machine's
// /etc/xdg/tintwell/tintwell.ini), else $XDG_DATA_HOME/tintwell (an absolute XDG_DATA_HOME only),
// else ~/.local/share/tintwell. Empty when there is no home to put it in.
std::string ChildFolder(const std::string& fromCommandLine);

// The shipped pages and tune for the program at exePath: share/tintwell of the installation the
// program belongs to, or the copy the build puts beside a program that is not installed. Empty
// when neither is there.
std::string ShippedFolder(const std::string& exePath);

// Makes `folder` (and its parents) when it is missing and copies into it every shipped file it
// does not hold. A file already there, the child's coloured page, is never replaced; a copy
// appears whole or not at all. Also makes sure the folder can be written, so that the child's
// colouring can be saved. Returns an empty string, or a message saying what went wrong.
std::string PrepareChildFolder(const std::string& folder, const std::string& shipped);

// Fresh pages (FreshPages=on): every coloured page of the folder is put aside in replaced/, named
// as tintwell-pages names a page it replaces, and a clean one takes its place: the shipped copy,
// or for a page tintwell-pages made from a picture, that page without its colouring. Pages not
// coloured, and files that are not pages, stay as they are. Each page appears whole or not at
// all. Returns an empty string, or a message saying what went wrong.
std::string FreshenPages(const std::string& folder, const std::string& shipped);

}  // namespace tw::sdl
