// The command's help text, as "/?" prints it and as the plug-in's help box and
// usage answer give it.
#pragma once

// One constant text for the help box, the usage answer and "/?". The two blanks
// before several line breaks, the "\r\n" after the syntax line alone and the
// curly quotes around “new” are part of it.
inline constexpr char16_t HELP_TEXT[] =
    u"Rename files to remove troublesome characters.  \n"
    u"\n"
    u"PURIFILE /A /B /C /D /E /H /K: /N /P /Q:list /R:list /S /U filespec...  \r\n"
    u"\n"
    u"\t/A\treplace ampersands with underscores\n"
    u"\t/B\treplace blanks with underscores\n"
    u"\t/C\treplace parentheses with underscores\n"
    u"\t/D\trename directories, not files\n"
    u"\t/E\tdecode =XX hex pairs\n"
    u"\t/H\tdecode HTML entities\n"
    u"\t/K:\tcondense repeated Blanks/Punctuation\n"
    u"\t/N\tnot really\n"
    u"\t/P\tprompt before each\n"
    u"\t/Q:\tlist of characters to replace\n"
    u"\t/R:\treplacement characters; use with /Q:\n"
    u"\t/S\trecurse into Subdirectories\n"
    u"\t/U\treplace high-order Unicode characters\n"
    u"\n"
    u"Use wildcards to match the difficult characters.  Note that you  \n"
    u"do not supply a \u201Cnew\u201D or replacement filename; the plugin\n"
    u"generates its own.  These new names can then be changed with  \n"
    u"REN, if desired.\n";
