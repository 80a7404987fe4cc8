// How the host puts text on a standard handle; shared by the Printf family.
#pragma once

// True where text files end their lines in a bare line feed: there a carriage
// return directly before a line feed of the program's own text (a format, the
// text of QPuts, CrLf) is dropped. Names and other argument text keep theirs.
extern const bool unixLineEnds;
