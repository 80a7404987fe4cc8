// The file specifications as the user typed them.
//
// The command's argument splitter upper-cases every argument, as the Windows
// shell it was made for does; Windows file names ignore case, so nothing is
// lost there. On a case-sensitive file system the upper-cased spelling may name
// another file or none, so the standalone program registers each file
// specification it passes in the spelling typed, and QueryTrueName resolves an
// upper-cased specification through the spelling registered for it.
#pragma once

#include <cstdint>

// Remembers one typed file specification. Returns 0, or 1 when the registry is
// full (1024 specifications or MAX_ARG_LEN characters in all); an unregistered
// specification resolves in its upper-cased spelling.
std::int32_t RegisterTypedFileSpec(const char16_t* typed);

// Forgets every registered specification. Returns 0.
std::int32_t ForgetTypedFileSpecs();

// The registered spelling whose ASCII upper-cased form equals spec, or spec
// itself when there is none. Several typed spellings may upper-case alike
// ("a.txt" and "A.txt"): each call takes the first one not yet taken, in the
// order they were registered, so the command's specifications, resolved in
// order, meet their own spellings; once all are taken, the first one answers.
const char16_t* TypedFileSpec(const char16_t* spec);
