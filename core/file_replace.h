// Putting a finished file in place of another in one step: the target is
// either still the old file or already the new one, never missing or half
// written. The platform decides how (rename on POSIX, MoveFileEx on Windows,
// where a plain rename refuses to replace).
#pragma once

// Moves source onto target, replacing target when it exists. False on
// failure; source is then left where it was.
bool ReplaceFileWith(const char* source, const char* target);
