// How a step of an export run gives up. A failing step first writes the
// message for the user into the run's error text and then throws one of the
// plain integer codes below; the run catches the integer, releases what it
// holds and shows the error text when the code is above 0.
//
// The error text is one std::string owned by whoever owns the run (the main
// dialog, the command line, a test). Every step receives it explicitly as
// `std::string& errorText`; the tile store, which aborts from deep inside the
// sampler, is bound to that same string when it is constructed
// (CTileStore(errorText)), so after any throw the run reads a single string.
#pragma once

// A tile could not be found, opened, read or unpacked, or there was not
// enough memory for the tiles or the sample arrays.
constexpr int kAbortTileStore = 1;
// The text report could not be created or written.
constexpr int kAbortReportNotCreated = 2;
// The picture could not be saved.
constexpr int kAbortPictureNotSaved = 3;
// The user declined to overwrite an existing file: nothing is shown.
constexpr int kAbortDeclined = -1;

// True when the error text is to be shown for a caught code.
constexpr bool AbortShowsMessage(int code) { return code > 0; }
