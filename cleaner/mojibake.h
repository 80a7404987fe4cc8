// Mojibake: UTF-8 that was once read as Windows-1252, Latin-1 or CP437 (the
// code page of the IBM PC and of DOS) and stored again as the characters it
// was misread as: "café" kept as "cafÃ©", "Zażółć" as "ZaÅ¼Ã³Å‚Ä‡", and
// "café" read on a DOS console as "caf├⌐". Names read as text (/8) have it
// undone, under guards that keep real names whole.
#pragma once

#include <cstddef>
#include <cstdint>

// What the bytes 0x80..0xFF denote in code page 437, indexed by byte - 0x80;
// 0x00..0x7F are ASCII there, as in the other two code pages.
extern const std::uint16_t Cp437Table[128];

// Repairs the text of length units (terminated) in place and returns its new
// length, never longer. A run is a stretch of units that each have a byte in
// at least one of the three code pages (all at 0x80 or above: ASCII never
// belongs to one). A code page reads a run when it has a byte for every unit
// of it and those bytes are well-formed UTF-8 (RFC 3629) whose characters are
// all plausible:
//   - no control and no U+FFFD (the issue of an earlier failed decoding);
//   - nothing unassigned, nor private use beyond the basic plane;
//   - nothing from U+0200 to U+02FF (Latin Extended-B's end, the IPA, the
//     modifier letters) but the Romanian letters with a comma below
//     (U+0218..U+021B): real names reach that range by accident, an
//     uppercase È, É, Ê or Ë right before typographic punctuation
//     ("JOSÉ’S", "«PERCHÈ»");
//   - next to an ASCII letter, no two-byte character from U+0250 on but a
//     combining mark (U+0300..U+036F): a letter of another script does not
//     follow a Latin letter within a word, while an uppercase Latin letter
//     before punctuation would read as one ("«ACCIÓ»", "«MENÜ»");
//   - a combining mark (U+0300..U+036F) only where Normalization Form C
//     composes it with the character before it, in the run or in front of
//     it: so reads a decomposed accent ("cafe" + U+0301 misread as
//     "cafeÌ\x81"), while an uppercase Ì or Í before typographic
//     punctuation ("COSÌ…", "“SÍ”", "MARTÍ’S") would give a mark on a
//     letter it does not belong to.
// A unit that a step after the repair changes or drops (a no-break space, a
// soft hyphen, a C1 control), found where a sequence would begin and standing
// for no byte that begins one, is passed over: it stays as it is, and the
// sequences on either side are read ("Ã©" + U+00A0 is "é" + U+00A0), so that
// what those steps make of it leaves nothing a second run would read. Other
// such units keep the run as it is ("“Ó”").
// A run that exactly one reading fits (two code pages with the same bytes
// give one reading) becomes the characters of that reading. When two readings
// of one run differ, the text is left as it is. A second round repairs what
// was misread twice; there is no third.
std::size_t RepairMojibake(char16_t* text, std::size_t length);
