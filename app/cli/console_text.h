// Program texts are code page 1252 bytes; terminals are not. Every command
// prints through here: the POSIX backend writes UTF-8, the Windows backend
// writes wide characters to a console and the bytes unchanged to a file or
// pipe, so redirected output is the same as the program's own files.
#pragma once
#include <cstdio>
#include <string>

// Writes text (code page 1252) to stream as the stream's reader expects it.
void WriteConsoleText(std::FILE* stream, const std::string& text);
// Writes text that is already UTF-8 (the profiles for scripts): a console
// shows its characters, a file or pipe gets the bytes unchanged. False when
// not everything reached the stream.
bool WriteConsoleUtf8(std::FILE* stream, const std::string& text);

// True when standard input is a terminal, so a question can be answered.
bool CanAskAtConsole();
