// The engine's two error reporters.
//
// ErrorBox is for recoverable faults: it shows a message box (caption
// "错误！！！", stop icon) and returns, and the caller carries on with its own
// failure path.  DebugOut is for fatal faults: it records the fault in
// ErrOut.txt, shows a box and ends the process with exit code 0.
#ifndef TESSERA_PUBLIC_ERROR_REPORT_H
#define TESSERA_PUBLIC_ERROR_REPORT_H
#pragma GCC visibility push(default)  // game-facing: exported

#include "public/export.h"

// Formats like printf into a 1,024-byte buffer and shows the text.  A message
// about a fault inside the engine conventionally ends in "%s %ld" and gets
// the source file and line of the reporting site (pass (long)__LINE__).
TESSERA_API void ErrorBox(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Writes "Error at <file> line <line> : <message> \n" to ErrOut.txt in the
// current folder (replacing an earlier log), shows the message with the
// caption "Error" and ends the process with exit code 0.  Nothing is released
// first: destructors and atexit handlers do not run.
TESSERA_API void DebugOut(const char* message, const char* file, int line)
    __attribute__((noreturn));

#pragma GCC visibility pop
#endif
