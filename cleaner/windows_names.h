// What Windows refuses in a name beyond its forbidden characters: the names it
// takes for devices, names longer than one name's limit on the disk, and a
// name that its file systems take for another one of the same directory.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/device_names.h"  // IsDeviceName


// Shortens a name of three pieces (stem, counter suffix, extension) until it
// fits limit, one name's limit in its directory (platform/name_limit.h), by
// taking whole characters (a surrogate pair together) off the end of the
// stem, so that the extension and the suffix stay, while the stem keeps at
// least its first character (else the extension is cut from its end: a name
// never becomes hidden behind its extension's full stop). Only when the extension
// leaves no room with the suffix alone is the name cut from its end instead,
// keeping its beginning: the whole stem, the suffix and as much of the
// extension as fits after them, or, when the stem and the suffix leave no
// room for any of it, no extension and the stem shortened. The piece that
// ends the name, once shortened, loses trailing blanks and full stops, which
// Windows would drop itself, on every candidate. Updates the two lengths and
// returns 0, or -1 when nothing fits (the suffix alone is too long).
std::int32_t FitNameToLimit(std::size_t limit, const char16_t* stem, std::size_t* stemLength, const char16_t* suffix,
                            std::size_t suffixLength, const char16_t* extension, std::size_t* extensionLength);

// How a file system that ignores letter case compares names (NTFS and exFAT
// as Windows sees them, and so a preview of a directory found to ignore case):
// every code unit of the Basic Multilingual Plane upper-cased by its simple
// mapping, as their up-case tables do, through the system's LCMapStringEx in
// the invariant locale; surrogates as they are. key holds MAX_ARG_LEN code
// units; returns the key's length, which is the name's.
std::size_t UpperCaseKey(const char16_t* name, std::size_t length, char16_t* key);

// The key under which /W takes two names for twins, which a copy to NTFS or
// exFAT (and APFS, and the sync services) would merge: the name in
// Normalization Form C, then UpperCaseKey. A name that cannot be composed (it
// holds a lone surrogate; on POSIX, a byte that is not UTF-8) is upper-cased
// as it stands. key holds MAX_ARG_LEN code units; returns the key's length.
std::size_t TwinKey(const char16_t* name, std::size_t length, char16_t* key);
